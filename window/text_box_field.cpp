#include "text_box_field.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace quinmare {
QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromDocumentText(const QString& raw) {
    std::u16string text;
    text.reserve(static_cast<std::size_t>(raw.size()));
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            text += u"\r\n";
        } else {
            text += static_cast<char16_t>(c.unicode());
        }
    }
    return text;
}

TextBoxField::TextBoxField(QPlainTextEdit* box) : QObject(box), box_(box) {
    text_ = FromDocumentText(box_->document()->toRawText());
    shown_ = text_.size();
    connect(box_->document(), &QTextDocument::contentsChange, this, [this] {
        if (!writing_) user_edited_ = true;
    });
}

void TextBoxField::TakeUserEdit() {
    if (!user_edited_) return;
    text_ = FromDocumentText(box_->document()->toRawText());
    shown_ = text_.size();
    replace_ = false;
    user_edited_ = false;
}

std::u16string TextBoxField::Read() {
    TakeUserEdit();
    return text_;
}

void TextBoxField::Write(std::u16string_view text) {
    TakeUserEdit();
    const std::u16string_view shown = std::u16string_view(text_).substr(0, shown_);
    if (!text.starts_with(shown)) replace_ = true;
    text_.assign(text);
}

void TextBoxField::Flush() {
    if (!HasPending()) return;
    writing_ = true;
    QTextDocument* document = box_->document();
    QScrollBar* scroll = box_->verticalScrollBar();
    const bool follow_end = scroll->value() == scroll->maximum() && scroll->maximum() > 0;
    // A CR LF split between what is shown and what is new would show as
    // two breaks: give the widget the whole text then.
    const bool split_break = !replace_ && shown_ > 0 && text_[shown_ - 1] == u'\r' && text_[shown_] == u'\n';
    // Program writes are not the user's edits: they leave no undo steps.
    document->setUndoRedoEnabled(false);
    if (replace_ || split_break) {
        // The caret goes to the end, where a run's next text will follow,
        // whether or not a rewrite and appends arrived in the same frame.
        box_->setPlainText(ToQString(text_));
        box_->moveCursor(QTextCursor::End);
    } else {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ToQString(std::u16string_view(text_).substr(shown_)));
        if (follow_end) scroll->setValue(scroll->maximum());
    }
    document->setUndoRedoEnabled(true);
    shown_ = text_.size();
    replace_ = false;
    writing_ = false;
}

}  // namespace quinmare
