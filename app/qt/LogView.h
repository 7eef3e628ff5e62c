#pragma once

#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <cstddef>
#include <memory>

#include "app/LogModel.h"

namespace app {

// The log window's drawing: a read-only text area that shows the lines of a LogModel, each
// run in the colour, height and weight of its kind, without wrapping, with a tab stop every
// half inch. It follows the model's
// changes: the lines a change touched are drawn again, the ones before it stay, and the view
// scrolls to the end when the change says so. The model's timers drain and turn the spinner
// on the UI loop; a change made on another thread is handed over to the view's thread.
class LogView final : public QPlainTextEdit {
  public:
    explicit LogView(LogModel& model, QWidget* parent = nullptr);
    ~LogView() override;
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    // The character format of a run: colour from the COLORREF, height from twips to points,
    // bold or normal; the face stays the widget's own.
    static QTextCharFormat CharFormat(const LogFormat& format);

    // Draws the model's lines again from line first on (the view's thread).
    void SyncFrom(size_t first);
    size_t ShownLines() const { return shownLines_; }

  protected:
    void customEvent(QEvent* event) override;

  private:
    // Lets a change told on another thread find the view only while it exists.
    struct Link;

    void Apply(const LogChange& change);

    LogModel& model_;
    std::shared_ptr<Link> link_;
    size_t shownLines_ = 0;
};

}  // namespace app
