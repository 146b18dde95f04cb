#pragma once

#include <QObject>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace quinmare {

// One of the two large boxes as a field. The text the program wrote is kept
// beside the widget, because a widget turns every kind of line break into
// one kind of paragraph break: what was written reads back unchanged. Once
// the user edits the box, its document is read back instead, paragraph and
// line separators as CR LF.
//
// A write that extends the text already shown hands only the new part to
// the widget; the decoding run rewrites its whole output every codon, and
// a full setPlainText each time would be quadratic.
class TextBoxField final : public QObject {
public:
    explicit TextBoxField(QPlainTextEdit* box);

    std::u16string Read();
    void Write(std::u16string_view text);
    // Puts whatever the widget does not show yet into it.
    void Flush();
    bool HasPending() const { return replace_ || shown_ < text_.size(); }

private:
    void TakeUserEdit();

    QPlainTextEdit* box_;
    std::u16string text_;     // what the field holds
    std::size_t shown_ = 0;   // how much of text_ the widget shows
    bool replace_ = false;    // the widget needs its whole text anew
    bool user_edited_ = false;
    bool writing_ = false;
};

// The document's raw text with paragraph and line separators as CR LF.
std::u16string FromDocumentText(const QString& raw);

// A field's text as a QString, unit for unit.
QString ToQString(std::u16string_view text);

}  // namespace quinmare
