// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_box.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <exception>

namespace quinmare {
namespace {

qsizetype LongestLine(const QString& text) {
    qsizetype longest = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n' || text[i] == u'\r' || text[i] == QChar::ParagraphSeparator) {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    }
    return longest;
}

// The document's raw text from a position on, read without a text cursor:
// a cursor placed while the document reports a change lays out the block
// before the document's layout has taken the change in, and Qt 6.4 then
// crashes later (a composition in progress makes it likely).
QString TextAt(const QTextDocument* document, int position, int length) {
    if (length > 4096) return document->toRawText().mid(position, length);
    QString text(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i) text[i] = document->characterAt(position + i);
    return text;
}

}  // namespace

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    // The document's own undo stack would record the program's appends
    // too; the user's edits are kept here instead.
    document()->setUndoRedoEnabled(false);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::Record);
}

void TextBox::ProgramChange(bool append_only, const std::function<void()>& change) {
    QScopedValueRollback<bool> program(program_, true);
    if (!append_only) {
        undo_.clear();
        redo_.clear();
    }
    change();
}

// Qt 6.4 (the Qt of Debian 12 and Ubuntu 24.04) looks at the first of the
// offered formats without checking that there is one: pasting a clipboard or
// selection that offers none (nothing copied since login, or its owner has
// quit), with Ctrl+V, Shift+Insert, the menu or a middle click, crashes inside
// QWidgetTextControl::insertFromMimeData. Later releases check. This box takes
// plain text only, so Qt is given text or nothing: an empty clipboard, or one
// holding only an image, pastes nothing and changes nothing.
bool TextBox::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText() && !source->text().isEmpty();
}

void TextBox::insertFromMimeData(const QMimeData* source) {
    try {
        // The text is converted once: a paste can be megabytes.
        const QString pasted = source && source->hasText() ? source->text() : QString();
        if (pasted.isEmpty()) return;
        QMimeData text;
        text.setText(pasted);
        if (before_user_insert) before_user_insert();
        // Laying out a long paragraph once with the wrong wrap mode costs
        // more than the paste: choose it before the text goes in.
        if (LongestLine(pasted) + textCursor().block().length() > kLongParagraph) {
            setWordWrapMode(QTextOption::WrapAnywhere);
        }
        QPlainTextEdit::insertFromMimeData(&text);
    } catch (const std::exception&) {
        // Out of memory on a huge paste: the paste does not happen.
    }
}

bool TextBox::event(QEvent* event) {
    const bool handled = QPlainTextEdit::event(event);
    KeepCaretInText();
    return handled;
}

// Qt 6.4 moves the caret by the laid-out line, and while an input method's
// composition is shown the line is longer than the text: Down or End then
// put the caret past the end of the document, and the next composition or
// insertion there crashes inside Qt. The caret is brought back.
void TextBox::KeepCaretInText() {
    const int last = document()->characterCount() - 1;
    QTextCursor caret = textCursor();
    const int anchor = caret.anchor();
    const int position = caret.position();
    if (position <= last && anchor <= last) return;
    caret.setPosition(std::min(anchor, last));
    caret.setPosition(std::min(position, last), QTextCursor::KeepAnchor);
    setTextCursor(caret);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        event->matches(QKeySequence::Undo) ? Undo() : Redo();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Undo and redo in the standard menu act on the document's stack; put
    // ours in their place, with the same look.
    for (QAction* standard : menu->actions()) {
        const bool undo = standard->objectName() == QLatin1String("edit-undo");
        if (!undo && standard->objectName() != QLatin1String("edit-redo")) continue;
        auto* action = new QAction(standard->icon(), standard->text(), menu);
        action->setObjectName(standard->objectName());
        action->setEnabled(undo ? CanUndo() : CanRedo());
        connect(action, &QAction::triggered, this, undo ? &TextBox::Undo : &TextBox::Redo);
        menu->insertAction(standard, action);
        menu->removeAction(standard);
    }
    menu->popup(event->globalPos());
}

void TextBox::Record(int position, int removed, int added) {
    try {
        FitWrapMode(position);
        QTextDocument* doc = document();
        const int length = doc->characterCount() - 1;
        // When the whole text is replaced, Qt counts the final paragraph
        // end as well; the mirror says what is really there.
        removed = std::min(removed, int(mirror_.size()) - position);
        added = std::min(added, length - position);
        if (position < 0 || removed < 0 || added < 0) return Resync();
        Edit edit{position, mirror_.mid(position, removed), TextAt(doc, position, added)};
        mirror_.replace(position, removed, edit.added);
        if (mirror_.size() != length) return Resync();
        if (program_ || replaying_ || edit.removed == edit.added) return;
        redo_.clear();
        // Typing a run of characters is one undo step, as in any editor.
        if (!undo_.empty() && edit.removed.isEmpty() && edit.added.size() == 1 &&
            edit.added != QChar::ParagraphSeparator) {
            Edit& last = undo_.back();
            if (last.removed.isEmpty() && !last.added.endsWith(QChar::ParagraphSeparator) &&
                last.position + last.added.size() == position) {
                last.added += edit.added;
                return;
            }
        }
        undo_.push_back(std::move(edit));
    } catch (const std::exception&) {
        // Out of memory: no history rather than a wrong one.
        undo_.clear();
        redo_.clear();
        mirror_ = QString();
    }
}

void TextBox::Resync() {
    undo_.clear();
    redo_.clear();
    mirror_ = document()->toRawText();
}

void TextBox::Undo() { Replay(undo_, redo_); }

void TextBox::Redo() { Replay(redo_, undo_); }

void TextBox::Replay(std::vector<Edit>& from, std::vector<Edit>& to) {
    if (from.empty()) return;
    Edit edit = std::move(from.back());
    from.pop_back();
    QTextCursor range(document());
    const int end = edit.position + int(edit.added.size());
    if (end > document()->characterCount() - 1) return Resync();
    range.setPosition(edit.position);
    range.setPosition(end, QTextCursor::KeepAnchor);
    // Only text that is still exactly what the edit left is given back.
    if (range.selectedText() != edit.added) return Resync();
    {
        QScopedValueRollback<bool> replaying(replaying_, true);
        range.insertText(edit.removed);
    }
    setTextCursor(range);
    ensureCursorVisible();
    // The way back: the text just put back gives way to what the edit added.
    to.push_back({edit.position, std::move(edit.added), std::move(edit.removed)});
}

void TextBox::FitWrapMode(int position) {
    const QTextOption::WrapMode wanted =
        document()->findBlock(position).length() > kLongParagraph ? QTextOption::WrapAnywhere
        : document()->characterCount() <= kLongParagraph          ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                                  : wordWrapMode();
    if (wanted != wordWrapMode()) setWordWrapMode(wanted);
}

}  // namespace quinmare
