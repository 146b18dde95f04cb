// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_box_field.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "text_box.h"

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

TextBoxField::TextBoxField(TextBox* box) : QObject(box), box_(box) {
    text_ = FromDocumentText(box_->document()->toRawText());
    shown_ = text_.size();
    connect(box_->document(), &QTextDocument::contentsChange, this, [this] {
        if (!writing_) user_edited_ = true;
    });
}

void TextBoxField::TakeUserEdit() {
    if (!user_edited_) return;
    if (resync_) {
        // The widget is out of step with the field after a failed hand-over;
        // the field holds, and the widget is rewritten at the next Flush.
        user_edited_ = false;
        return;
    }
    std::u16string edited = FromDocumentText(box_->document()->toRawText());
    std::u16string_view waiting = std::u16string_view(text_).substr(shown_);
    // A CR at the end of what was shown already reads back as CR LF.
    if (shown_ > 0 && text_[shown_ - 1] == u'\r' && waiting.starts_with(u'\n') && edited.ends_with(u"\r\n")) {
        waiting.remove_prefix(1);
    }
    const std::size_t shown = edited.size();
    edited += waiting;
    text_ = std::move(edited);
    shown_ = shown;
    user_edited_ = false;
}

std::u16string TextBoxField::Read() {
    TakeUserEdit();
    return text_;
}

void TextBoxField::Write(std::u16string_view text) {
    TakeUserEdit();
    const bool extends = !resync_ && text.starts_with(std::u16string_view(text_).substr(0, shown_));
    text_.assign(text);
    if (extends) return;
    // Anything but an extension (a run starting with an empty box) is shown
    // at once, so that what waits for the next frame is only ever an
    // addition at the end.
    resync_ = true;
    Flush();
}

void TextBoxField::Flush() noexcept {
    if (!HasPending()) return;
    try {
        // An edit the user made meanwhile is taken in first: a rewrite
        // below would otherwise lose it.
        TakeUserEdit();
        QScopedValueRollback<bool> writing(writing_, true);
        QTextDocument* document = box_->document();
        QScrollBar* scroll = box_->verticalScrollBar();
        const bool follow_end = scroll->value() == scroll->maximum() && scroll->maximum() > 0;
        // A CR LF split between what is shown and what is new would show as
        // two breaks: give the widget the whole text then.
        const bool whole =
            resync_ || (shown_ > 0 && text_[shown_ - 1] == u'\r' && text_[shown_] == u'\n');
        box_->ProgramChange(!whole, [&] {
            if (whole) {
                // The caret goes to the end, where a run's next text will follow.
                box_->setPlainText(ToQString(text_));
                box_->moveCursor(QTextCursor::End);
            } else {
                QTextCursor cursor(document);
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(ToQString(std::u16string_view(text_).substr(shown_)));
                if (follow_end) scroll->setValue(scroll->maximum());
            }
        });
        shown_ = text_.size();
        resync_ = false;
    } catch (...) {
        resync_ = true;
    }
}

}  // namespace quinmare
