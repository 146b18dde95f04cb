// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <string>
#include <string_view>

namespace quinmare {

class TextBox;

// One of the two large boxes as a field. The text the program wrote is kept
// beside the widget, because a widget turns every kind of line break into
// one kind of paragraph break: what was written reads back unchanged. Once
// the user edits the box, its document is read back instead, paragraph and
// line separators as CR LF.
//
// A write that extends the text already shown waits for the next Flush and
// then hands only the new part to the widget; the decoding run rewrites its
// whole output every codon, and a full setPlainText each time would be
// quadratic. Whatever route a user's edit takes, the part still waiting is
// kept: it follows the edited text.
class TextBoxField final : public QObject {
public:
    explicit TextBoxField(TextBox* box);

    std::u16string Read();
    void Write(std::u16string_view text);
    // Puts whatever the widget does not show yet into it. Never throws:
    // should the widget fail to take the text, it is given the whole text
    // again at the next Flush.
    void Flush() noexcept;
    bool HasPending() const { return resync_ || shown_ < text_.size(); }

private:
    void TakeUserEdit();

    TextBox* box_;
    std::u16string text_;     // what the field holds
    std::size_t shown_ = 0;   // how much of text_ the widget shows
    bool resync_ = false;     // the widget needs its whole text anew
    bool user_edited_ = false;
    bool writing_ = false;
};

// The document's raw text with paragraph and line separators as CR LF.
std::u16string FromDocumentText(const QString& raw);

// A field's text as a QString, unit for unit.
QString ToQString(std::u16string_view text);

}  // namespace quinmare
