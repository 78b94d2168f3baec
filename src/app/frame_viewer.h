// The frames of an output drawn as vectors in a window of their own, read
// back from the store on disk: wheel to zoom about the pointer, drag to
// pan, 适合窗口 to fit, 1:1 for the frame at its scale on the screen (a
// millimetre on paper is a millimetre on the glass), and every frame of the
// run to page through.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QGraphicsView>

class QComboBox;
class QLabel;
class QPushButton;

namespace tarvik {

class OutputReader;
struct PreviewScene;

class FrameViewer : public QDialog {
  Q_OBJECT

 public:
  // The frames `frames` of the output (names as the store lists them),
  // `first` shown first. RunError when the output does not open.
  FrameViewer(const std::string& output, const std::vector<std::string>& frames, int first, QWidget* parent);
  ~FrameViewer() override;

  // For the window and for tests.
  void showFrame(int index);
  int currentFrame() const { return current_; }
  void fitToWindow();
  // The frame at its scale on the screen.
  void actualSize();
  QGraphicsView* view() const { return view_; }
  const PreviewScene* scene() const { return scene_.get(); }

 protected:
  // Fitted once it has its size on the screen: before, the view's size is
  // a guess and the frame would come out as a speck.
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<OutputReader> reader_;
  std::vector<std::string> frames_;
  std::unique_ptr<PreviewScene> scene_;
  QGraphicsView* view_ = nullptr;
  QGraphicsScene* graphics_ = nullptr;
  QComboBox* cbFrames_ = nullptr;
  QPushButton* btnPrevious_ = nullptr;
  QPushButton* btnNext_ = nullptr;
  QLabel* lblScale_ = nullptr;
  int current_ = -1;
};

}  // namespace tarvik
