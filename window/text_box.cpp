// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_box.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <exception>

namespace quinmare {
namespace {

bool IsBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The longest paragraph once text goes in after a paragraph already
// holding `before` characters.
qsizetype LongestParagraph(QStringView text, qsizetype before) {
    qsizetype longest = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsBreak(text[i])) {
            longest = std::max(longest, i - start + before);
            before = 0;
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

TextBox::LastCommit TextBox::committed_last_;

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromDocumentText(QStringView raw) {
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

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    // The document's own undo stack would record the program's appends
    // too; the user's edits are kept here instead.
    document()->setUndoRedoEnabled(false);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::OnContentsChange);
    // The wrap mode follows the user's edits once they are in: switching it
    // re-lays out the document, which Qt 6.4 does not survive in the middle
    // of a change (a drop, for one, goes on to use the old layout).
    wrap_check_.setSingleShot(true);
    connect(&wrap_check_, &QTimer::timeout, this, [this] {
        FitWrapMode(document()->findBlock(last_edit_).length() - 1, document()->characterCount() - 1);
    });
}

TextBox::~TextBox() {
    // The guard's memory of this box's last commit goes with the box: a box
    // made later, in another window, may be given the same address.
    if (committed_last_.box == this) committed_last_ = {};
}

// ---- The field ---------------------------------------------------------

std::u16string TextBox::Read() {
    TakeUserEdit();
    return text_;
}

void TextBox::Write(std::u16string_view text) {
    TakeUserEdit();
    const bool extends = !rewrite_ && text.starts_with(std::u16string_view(text_).substr(0, shown_));
    text_.assign(text);
    if (extends) {
        if (HasPending()) emit FrameWanted();
        return;
    }
    // Anything but an extension (a run starting with an empty box) is shown
    // at once, so that what waits for the next frame is only ever an
    // addition at the end.
    rewrite_ = true;
    Flush(true);
}

void TextBox::HandOver() noexcept { Flush(true); }

void TextBox::Flush(bool follow_end) noexcept {
    if (!HasPending()) return;
    // Additions wait while a composition is open: Qt 6.4 draws it in the
    // paragraph that held the caret at the input method's last update and
    // never clears it from one the caret has left, so appending here (each
    // stop starts a paragraph) would leave stale pieces of it on screen.
    if (!rewrite_ && Composing()) return;
    try {
        // An edit the user made meanwhile is taken in first: a rewrite
        // below would otherwise lose it.
        TakeUserEdit();
        // A CR LF split between what is shown and what is new would show as
        // two breaks: give the widget the whole text then.
        const bool whole = rewrite_ || (shown_ > 0 && text_[shown_ - 1] == u'\r' && text_[shown_] == u'\n');
        const QString added = ToQString(std::u16string_view(text_).substr(whole ? 0 : shown_));
        QTextDocument* doc = document();
        const qsizetype before = whole ? 0 : doc->lastBlock().length() - 1;
        FitWrapMode(LongestParagraph(added, before), whole ? added.size() : doc->characterCount() + added.size());
        // A rewrite ends a composition in progress: it is committed first.
        if (whole && Composing()) QGuiApplication::inputMethod()->commit();
        {
            const QScopedValueRollback<Writer> program(writer_, Writer::Program);
            if (whole) {
                // The program's rewrite ends the user's history: its
                // positions no longer refer to this text.
                undo_.clear();
                redo_.clear();
                setPlainText(added);
                // The caret goes to the end, where a run's next text follows.
                moveCursor(QTextCursor::End);
            } else {
                // As Qt's own appendPlainText does: the view follows the end
                // if the end was in view before; never under a pointer that
                // is pressing, selecting or dragging.
                QScrollBar* scroll = verticalScrollBar();
                const bool follow = follow_end && scroll->value() >= scroll->maximum() &&
                                    QGuiApplication::mouseButtons() == Qt::NoButton;
                QTextCursor end(doc);
                end.movePosition(QTextCursor::End);
                end.insertText(added);
                if (follow) scroll->setValue(scroll->maximum());
            }
        }
        shown_ = text_.size();
        rewrite_ = false;
    } catch (...) {
        Reconcile();
        if (HasPending()) emit FrameWanted();
    }
}

// After a failed hand-over: how much of the field does the document show?
void TextBox::Reconcile() {
    try {
        mirror_ = document()->toRawText();
        const std::u16string shown = FromDocumentText(mirror_);
        rewrite_ = !std::u16string_view(text_).starts_with(shown);
        if (!rewrite_) shown_ = shown.size();
    } catch (...) {
        mirror_ = QString();
        rewrite_ = true;
    }
}

void TextBox::TakeUserEdit() {
    if (!user_edited_) return;
    const QString raw = mirror_.size() == document()->characterCount() - 1 ? mirror_ : document()->toRawText();
    std::u16string edited = FromDocumentText(raw);
    user_edited_ = false;
    if (rewrite_) {
        // The document was not showing the field (a hand-over failed half
        // way): the user changed what they saw, and that is the field now.
        text_ = std::move(edited);
        shown_ = text_.size();
        rewrite_ = false;
        return;
    }
    std::u16string_view waiting = std::u16string_view(text_).substr(shown_);
    // A CR at the end of what was shown already reads back as CR LF.
    if (shown_ > 0 && text_[shown_ - 1] == u'\r' && waiting.starts_with(u'\n') && edited.ends_with(u"\r\n")) {
        waiting.remove_prefix(1);
    }
    const std::size_t shown = edited.size();
    edited += waiting;
    text_ = std::move(edited);
    shown_ = shown;
}

bool TextBox::Composing() const {
    if (!hasFocus()) return false;
    const QTextLayout* layout = textCursor().block().layout();
    return layout && !layout->preeditAreaText().isEmpty();
}

// ---- The user's input ----------------------------------------------------

// Text still on its way goes in before the user's input does, so that what
// is typed lands where the field says it does. Pointer input does not move
// the view: the text under the pointer is the text the user aimed at.
bool TextBox::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::InputMethod && StrayCommit(static_cast<QInputMethodEvent*>(event))) {
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride || type == QEvent::ContextMenu ||
        type == QEvent::InputMethod) {
        Flush(true);
    }
    if (type == QEvent::FocusIn) composed_here_ = false;
    const bool composing = Composing();
    const bool handled = QPlainTextEdit::event(event);
    if (type == QEvent::InputMethod) {
        const auto* input = static_cast<QInputMethodEvent*>(event);
        if (!input->preeditString().isEmpty()) composed_here_ = true;
        // The composition this box has just committed, as focus leaves it.
        if (composing && !input->commitString().isEmpty()) committed_last_ = {this, input->commitString()};
    }
    KeepCaretInText();
    // A composition that has just ended lets the additions held back go in.
    if ((type == QEvent::InputMethod || type == QEvent::FocusOut) && HasPending()) emit FrameWanted();
    return handled;
}

// Qt 6.4.2's IBus input context (Debian 12, with ibus-mozc) commits a
// composition twice when focus moves from one box to the other mid-way: into
// the box it was typed in, where it belongs, and once more into the box that
// has just taken focus, which has shown no composition of its own. That
// second commit is dropped, so the user's sequence does not change under them.
bool TextBox::StrayCommit(const QInputMethodEvent* event) {
    const QString commit = event->commitString();
    const bool stray = !commit.isEmpty() && !composed_here_ && !Composing() && committed_last_.box &&
                       committed_last_.box != this && committed_last_.text == commit;
    if (stray || !event->preeditString().isEmpty()) committed_last_ = {};
    return stray;
}

bool TextBox::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::Wheel:
        Flush(false);
        break;
    default:
        break;
    }
    return QPlainTextEdit::viewportEvent(event);
}

// A drag of selected text starts inside a mouse move and ends, in the drag's
// own loop, with the button's release, which this box then never sees. When
// that move had already left the box, Qt 6.4 goes on to start its timer that
// scrolls while a selection is pulled out of view; only a release stops it,
// and each tick is a move with the button held, which starts the same drag
// again: every drop or Escape brings a new one, the runs (waiting under the
// drag) stand still and the window does not close. The release the drag took
// is given back to the box once a move finds the button up.
void TextBox::mouseMoveEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        QMouseEvent release(QEvent::MouseButtonRelease, event->position(), event->scenePosition(),
                            event->globalPosition(), Qt::LeftButton, Qt::NoButton, event->modifiers());
        QPlainTextEdit::mouseReleaseEvent(&release);
    }
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

// The text goes in through the caret, as Qt's own insertion would put it,
// but Qt 6.4's is not used: a drop inserts inside an edit block, where the
// paragraph's layout is redone only when the block ends, and Qt's insertion
// then scrolls to the caret at once. In a long paragraph whose top is out of
// view (a generated sequence, followed to its end), text dropped into the
// last lines puts the caret past the lines laid out before, and the scroll
// crashes in QTextLine::naturalTextRect. The scroll waits for the layout:
// the drop scrolls once its block has ended.
void TextBox::insertFromMimeData(const QMimeData* source) {
    try {
        // The text is converted once: a paste can be megabytes.
        const QString pasted = source && source->hasText() ? source->text() : QString();
        if (pasted.isEmpty()) return;
        Flush(false);
        // Laying out a long paragraph once with the wrong wrap mode costs
        // more than the paste: choose it before the text goes in.
        QTextCursor caret = textCursor();
        FitWrapMode(LongestParagraph(pasted, caret.position() - caret.block().position()),
                    document()->characterCount() + pasted.size());
        {
            const QScopedValueRollback<bool> pasting(pasting_, true);
            caret = textCursor();
            caret.insertText(pasted);
        }
        // The box's own caret moved on with the text; it is shown once the
        // paragraph it is in has been laid out again.
        const QTextLine line = caret.block().layout()->lineForTextPosition(caret.positionInBlock());
        if (line.isValid()) ensureCursorVisible();
    } catch (const std::exception&) {
        // Out of memory on a huge paste: the paste does not happen.
    }
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

// ---- Changes of the document: the user's edits and their history ------------

void TextBox::OnContentsChange(int position, int removed, int added) {
    try {
        QTextDocument* doc = document();
        const int length = doc->characterCount() - 1;
        // When the whole text is replaced, Qt counts the final paragraph
        // end as well; the mirror says what is really there.
        removed = std::min(removed, int(mirror_.size()) - position);
        added = std::min(added, length - position);
        Edit edit;
        if (position >= 0 && removed >= 0 && added >= 0) {
            edit = {position, mirror_.mid(position, removed), TextAt(doc, position, added)};
            mirror_.replace(position, removed, edit.added);
        }
        if (mirror_.size() != length) {
            // Out of step: no history rather than a wrong one.
            mirror_ = doc->toRawText();
            undo_.clear();
            redo_.clear();
            edit = {};
        }
        if (writer_ == Writer::Program) return;
        user_edited_ = true;
        last_edit_ = position;
        wrap_check_.start(0);
        if (writer_ == Writer::User && edit.removed != edit.added) Record(std::move(edit));
    } catch (const std::exception&) {
        // Out of memory: no history rather than a wrong one.
        undo_.clear();
        redo_.clear();
        mirror_ = QString();
        if (writer_ != Writer::Program) user_edited_ = true;
    }
}

// Undo steps follow one rule, as in most editors: characters typed one
// after another form one step, and a line break (Return or Shift+Return)
// ends it and is a step of its own; single characters deleted one after
// another (BackSpace or Delete) form one step; a paste, a drop, a committed
// composition, and anything else that changes more than one character is a
// step of its own. Any new edit ends what could be redone.
void TextBox::Record(Edit edit) {
    redo_.clear();
    if (!pasting_ && edit.removed.isEmpty() && edit.added.size() == 1 && !IsBreak(edit.added[0])) {
        edit.step = Step::Typing;
    } else if (!pasting_ && edit.added.isEmpty() && edit.removed.size() == 1) {
        edit.step = Step::Deleting;
    }
    if (!undo_.empty() && edit.step != Step::Whole && undo_.back().step == edit.step) {
        Edit& last = undo_.back();
        if (edit.step == Step::Typing && last.position + last.added.size() == edit.position) {
            last.added += edit.added;
            return;
        }
        if (edit.step == Step::Deleting && edit.position + 1 == last.position) {  // BackSpace
            last.position = edit.position;
            last.removed.prepend(edit.removed);
            return;
        }
        if (edit.step == Step::Deleting && edit.position == last.position) {  // Delete
            last.removed += edit.removed;
            return;
        }
    }
    undo_.push_back(std::move(edit));
}

void TextBox::Undo() { Replay(undo_, redo_); }

void TextBox::Redo() { Replay(redo_, undo_); }

void TextBox::Replay(std::vector<Edit>& from, std::vector<Edit>& to) {
    if (from.empty()) return;
    Edit edit = std::move(from.back());
    from.pop_back();
    const int end = edit.position + int(edit.added.size());
    auto forget = [this] {
        undo_.clear();
        redo_.clear();
    };
    if (end > document()->characterCount() - 1) return forget();
    QTextCursor range(document());
    range.setPosition(edit.position);
    range.setPosition(end, QTextCursor::KeepAnchor);
    // Only text that is still exactly what the edit left is given back.
    if (range.selectedText() != edit.added) return forget();
    {
        const QScopedValueRollback<Writer> replaying(writer_, Writer::Replay);
        range.insertText(edit.removed);
    }
    setTextCursor(range);
    ensureCursorVisible();
    // The way back: the text just put back gives way to what the edit added.
    to.push_back({edit.position, std::move(edit.added), std::move(edit.removed), Step::Whole});
}

// The one place the wrap mode is chosen, before or after a change, never
// inside one: a paragraph longer than kLongParagraph wraps anywhere, and a
// text that has become short enough wraps at word boundaries again.
void TextBox::FitWrapMode(qsizetype paragraph, qsizetype characters) {
    const QTextOption::WrapMode wanted = paragraph > kLongParagraph    ? QTextOption::WrapAnywhere
                                         : characters <= kLongParagraph ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                                        : wordWrapMode();
    if (wanted != wordWrapMode()) setWordWrapMode(wanted);
}

}  // namespace quinmare
