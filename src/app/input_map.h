// The map of a run before it runs: the features the condition selects,
// named as the frames will be, or the typed sheet among its neighbours.
#pragma once

#include <QGraphicsView>

#include <utility>
#include <vector>

#include "frame/input_facts.h"

namespace tarvik {

class InputMapView : public QGraphicsView {
 public:
  explicit InputMapView(QWidget* parent = nullptr);

  // Draws the shapes (the main ones outlined, neighbours grey), north up,
  // longitudes squeezed by the cosine of the mean latitude; or the problem.
  void showShapes(const MapShapes& shapes);
  void showText(const QString& text);
  // How many shapes are drawn (for tests).
  int shapeCount() const { return shapes_; }
  // How many labels are shown at the view's zoom (for tests).
  int shownLabels() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Labels shown only where they fit their shape at the view's zoom.
  void FitLabels();

  QGraphicsScene scene_;
  int shapes_ = 0;
  bool fitting_ = false;  // shapes fitted to the view; a message is shown at its size
  std::vector<std::pair<QGraphicsItem*, double>> labels_;  // with the width of their shape
};

}  // namespace tarvik
