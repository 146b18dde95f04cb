// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <vector>

namespace quinmare {

// One of the two large boxes as a widget: a plain-text editor that
//  - pastes and drops only what it can take as text (see insertFromMimeData);
//  - keeps its own undo history of the user's edits only, so that the text
//    the program appends is never an undo step and undoing never removes it;
//  - wraps at word boundaries, except while a paragraph is so long that
//    looking for word boundaries in it would freeze the window.
class TextBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    // Paragraphs longer than this wrap anywhere: for every line it breaks,
    // Qt looks for a word boundary up to the paragraph's end, which takes
    // minutes on a one-line sequence of a megabyte.
    static constexpr int kLongParagraph = 10000;

    explicit TextBox(QWidget* parent = nullptr);

    // Runs a change of the program's own: it is no undo step. A change that
    // does not only append also ends the undo history, whose positions no
    // longer refer to the text.
    void ProgramChange(bool append_only, const std::function<void()>& change);

    // Called before text the user pastes or drops goes in, so that anything
    // waiting to be shown goes in first.
    std::function<void()> before_user_insert;

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void Undo();
    void Redo();

protected:
    bool event(QEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A change of the document: at position, removed gave way to added.
    struct Edit {
        int position;
        QString removed;
        QString added;
    };

    void Record(int position, int removed, int added);
    void Replay(std::vector<Edit>& from, std::vector<Edit>& to);
    void Resync();
    void FitWrapMode(int position);
    void KeepCaretInText();

    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    QString mirror_;  // the document's raw text, to know what an edit removed
    bool program_ = false;
    bool replaying_ = false;
};

}  // namespace quinmare
