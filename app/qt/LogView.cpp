#include "app/qt/LogView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#include <mutex>

namespace app {

namespace {

// Tells the view that a change made on another thread waits in its link.
const QEvent::Type kChangeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A rich-edit control's tab stops: one every half inch (720 twips), whatever the font.
constexpr double kTabStopInches = 0.5;

}  // namespace

struct LogView::Link {
    std::mutex mutex;
    LogView* view = nullptr;
    // What changes told on other threads add up to, until the view's thread draws them.
    bool pending = false;
    LogChange change;
};

LogView::LogView(LogModel& model, QWidget* parent)
    : QPlainTextEdit(parent), model_(model), link_(std::make_shared<Link>()) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setContextMenuPolicy(Qt::NoContextMenu);
    // The report lines line their values up at the first stop after their labels.
    setTabStopDistance(kTabStopInches * logicalDpiX());
    link_->view = this;
    model_.SetChangeListener([link = link_](const LogChange& change) {
        std::lock_guard<std::mutex> guard(link->mutex);
        LogView* view = link->view;
        if (view == nullptr) return;
        if (QThread::currentThread() == view->thread()) {
            view->Apply(change);
        } else if (!link->pending) {
            link->pending = true;
            link->change = change;
            QCoreApplication::postEvent(view, new QEvent(kChangeEvent));
        } else {
            link->change.firstLine = std::min(link->change.firstLine, change.firstLine);
            link->change.scrollToBottom = link->change.scrollToBottom || change.scrollToBottom;
        }
    });
    SyncFrom(0);
}

LogView::~LogView() {
    model_.SetChangeListener(nullptr);
    std::lock_guard<std::mutex> guard(link_->mutex);
    link_->view = nullptr;
}

QTextCharFormat LogView::CharFormat(const LogFormat& format) {
    QTextCharFormat out;
    out.setForeground(QColor(static_cast<int>(format.colour & 0xFF),
                             static_cast<int>((format.colour >> 8) & 0xFF),
                             static_cast<int>((format.colour >> 16) & 0xFF)));
    out.setFontPointSize(format.height / 20.0);
    out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(false);
    return out;
}

void LogView::customEvent(QEvent*) {
    LogChange change;
    {
        std::lock_guard<std::mutex> guard(link_->mutex);
        if (!link_->pending) return;
        link_->pending = false;
        change = link_->change;
    }
    Apply(change);
}

void LogView::Apply(const LogChange& change) {
    SyncFrom(change.firstLine);
    if (change.scrollToBottom) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::SyncFrom(size_t first) {
    first = std::min(first, shownLines_);
    QTextDocument* doc = document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    if (first == 0) {
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
    } else if (first < shownLines_) {
        // From the break before line first to the end.
        const QTextBlock block = doc->findBlockByNumber(static_cast<int>(first));
        cursor.setPosition(block.position() - 1);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.movePosition(QTextCursor::End);
    }
    shownLines_ = first;
    for (const LogLine& line : model_.Lines(first)) {
        if (shownLines_ > 0) cursor.insertBlock();
        for (const LogRun& run : line.runs) {
            cursor.insertText(QString::fromUtf8(run.text.data(), static_cast<int>(run.text.size())),
                              CharFormat(run.format));
        }
        ++shownLines_;
    }
    cursor.endEditBlock();
}

}  // namespace app
