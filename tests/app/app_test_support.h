// Helpers of the window tests: a main window whose dialogs are answered by
// the test and whose settings file and manual live in a temporary folder.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QUrl>

#include "app/PasTarvik.h"
#include "settings_ui/radio_group.h"
#include "support/test_support.h"

namespace tarvik::test {

inline QString U(const char* text) { return QString::fromUtf8(text); }

// The answer of a box with buttons that leaves it (Esc).
inline constexpr int kCloseBox = -1;

// Everything the window showed or asked, and the answers it gets.
struct DialogRecorder {
  std::vector<QString> messages;
  std::vector<QString> errors;
  std::vector<std::pair<QString, QString>> captionErrors;  // (text, caption)
  std::vector<std::pair<QString, QString>> questions;      // (text, caption)
  std::deque<bool> answers;  // answers to the questions, in order; then `answer`
  bool answer = true;
  // Boxes with buttons of their own: (text, buttons); the answers in order,
  // then the box's default button.
  std::vector<std::pair<QString, QStringList>> choices;
  std::deque<int> choiceAnswers;
  std::vector<QString> details;  // the unfoldable details of each box with buttons
  // Programs started (program, then its arguments), and whether they start.
  std::vector<QStringList> started;
  bool startSucceeds = true;
  std::vector<std::pair<QString, QString>> shownPaths;  // (text, path)
  std::optional<QString> openAnswer;
  std::vector<QStringList> openFilters;
  std::optional<SaveChoice> saveAnswer;
  std::vector<QString> saveStarts;
  std::vector<QStringList> saveFilters;
  std::vector<QUrl> opened;
  bool openSucceeds = true;
  struct ShownFrames {
    QString output;
    QStringList frames;
    int first = 0;
  };
  std::vector<ShownFrames> shownFrames;

  void install(WindowDialogs& d) {
    d.message = [this](const QString& t) { messages.push_back(t); };
    d.error = [this](const QString& t) { errors.push_back(t); };
    d.errorWithCaption = [this](const QString& t, const QString& c) { captionErrors.emplace_back(t, c); };
    d.confirm = [this](const QString& t, const QString& c) {
      questions.emplace_back(t, c);
      if (answers.empty()) return answer;
      const bool a = answers.front();
      answers.pop_front();
      return a;
    };
    d.choose = [this](const QString& t, const QString&, const QStringList& buttons, int defaultButton,
                      const QString& detail) {
      choices.emplace_back(t, buttons);
      details.push_back(detail);
      if (choiceAnswers.empty()) return defaultButton;
      const int a = choiceAnswers.front();
      choiceAnswers.pop_front();
      return a;
    };
    d.openFile = [this](const QString&, const QStringList& filters) {
      openFilters.push_back(filters);
      return openAnswer;
    };
    d.saveFile = [this](const QString& start, const QStringList& filters) {
      saveStarts.push_back(start);
      saveFilters.push_back(filters);
      return saveAnswer;
    };
    d.openUrl = [this](const QUrl& url) {
      opened.push_back(url);
      return openSucceeds;
    };
    d.showFrames = [this](const QString& output, const QStringList& frames, int first) {
      shownFrames.push_back({output, frames, first});
    };
    d.startProgram = [this](const QString& program, const QStringList& arguments) {
      started.push_back(QStringList{program} + arguments);
      return startSucceeds;
    };
    d.showPath = [this](const QString& text, const QString& path) { shownPaths.emplace_back(text, path); };
  }

  bool shown(const QString& text) const {
    for (const QString& m : messages)
      if (m == text) return true;
    return false;
  }
  // Messages and errors in the order of their kinds, for failure output.
  std::string describe() const {
    std::string out;
    for (const QString& m : messages) out += "message: " + m.toStdString() + "\n";
    for (const QString& e : errors) out += "error: " + e.toStdString() + "\n";
    for (const auto& q : questions) out += "question: " + q.first.toStdString() + "\n";
    for (const auto& c : choices) out += "choice: " + c.first.toStdString() + "\n";
    return out;
  }
};

// A main window beside a program path in a temporary folder.
struct WindowUnderTest {
  TempDir dir;
  DialogRecorder dialogs;
  std::unique_ptr<TFrmTarvik> window;

  WindowUnderTest() { reopen(); }
  std::filesystem::path programPath() const { return dir.path() / "tarvik"; }
  // A new window on the same program path (the old one is closed, which
  // saves its settings).
  void reopen() {
    if (window) window->close();
    window = std::make_unique<TFrmTarvik>(programPath());
    dialogs.install(window->dialogs());
  }
  TFrmTarvik& operator*() { return *window; }
  TFrmTarvik* operator->() { return window.get(); }
};

}  // namespace tarvik::test
