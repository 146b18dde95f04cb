// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <string>
#include <string_view>
#include <vector>

class QInputMethodEvent;

namespace quinmare {

// One of the two large boxes, the widget and the field in one class.
//
// The field is the text as the program wrote it and the user changed it:
// a widget turns every kind of line break into one kind of paragraph break,
// so what was written is kept here and reads back unchanged; what the user
// edits is read back from the document, paragraph and line separators as
// CR LF. A write that extends the text waits for the next hand-over (Form1
// calls HandOver once per display frame) and then only the new part goes
// in: the decoding run rewrites its whole output every codon.
//
// Whatever reaches the box as the user's (keys, the input method, the
// mouse, drops, the menu, a screen reader) is the user's edit and nothing
// else is. The box also guards the paste, keeps the undo history of the
// user's edits only, chooses its wrap mode and follows the end of the text.
class TextBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    // Paragraphs longer than this wrap anywhere: for every line it breaks,
    // Qt looks for a word boundary up to the paragraph's end, which takes
    // minutes on a one-line sequence of a megabyte.
    static constexpr int kLongParagraph = 10000;

    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    std::u16string Read();
    void Write(std::u16string_view text);
    // Puts what is waiting into the widget. Never throws: should the widget
    // fail to take it, the box asks for another frame.
    void HandOver() noexcept;
    bool HasPending() const { return rewrite_ || shown_ < text_.size(); }

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void Undo();
    void Redo();

signals:
    // Text is waiting for the next frame.
    void FrameWanted();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Who is changing the document right now.
    enum class Writer { User, Program, Replay };
    // What made an undo step, for merging the next edit into it.
    enum class Step { Typing, Deleting, Whole };
    // A change of the document: at position, removed gave way to added.
    struct Edit {
        int position;
        QString removed;
        QString added;
        Step step = Step::Whole;
    };

    void Flush(bool follow_end) noexcept;
    void TakeUserEdit();
    void Reconcile();
    void OnContentsChange(int position, int removed, int added);
    void Record(Edit edit);
    void Replay(std::vector<Edit>& from, std::vector<Edit>& to);
    void FitWrapMode(qsizetype paragraph, qsizetype characters);
    bool Composing() const;
    bool StrayCommit(const QInputMethodEvent* event);
    void KeepCaretInText();

    std::u16string text_;     // the field
    std::size_t shown_ = 0;   // how much of text_ the document shows
    bool rewrite_ = false;    // the document needs the whole text anew
    bool user_edited_ = false;
    Writer writer_ = Writer::User;
    bool pasting_ = false;    // a paste or drop is going in: one undo step
    QString mirror_;          // the document's raw text, to know what an edit removed
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    // The last composition a box committed, for the guard in StrayCommit.
    struct LastCommit {
        const TextBox* box = nullptr;
        QString text;
    };
    static LastCommit committed_last_;
    bool composed_here_ = false;  // a composition has been shown since focus came in
    QTimer wrap_check_;       // fits the wrap mode once a user's edit is in
    int last_edit_ = 0;
};

// The document's raw text with paragraph and line separators as CR LF.
std::u16string FromDocumentText(QStringView raw);

// A field's text as a QString, unit for unit.
QString ToQString(std::u16string_view text);

}  // namespace quinmare
