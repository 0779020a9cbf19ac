// Byte strings of the option records and the model meet Qt's strings here:
// a text is shown as UTF-8 when it is valid UTF-8, otherwise as cp1252, and
// handed back in the same encoding.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// The text of `bytes` for a widget.
QString ToQ(std::string_view bytes);
// The bytes of a widget's text: UTF-8, unless `previous` (the text the
// widget showed) was cp1252 and the new text can be written in cp1252.
std::string FromQ(const QString& text, std::string_view previous = {});
// A caption as the windows store it ("&&" a literal "&") for a widget that
// shows mnemonics itself (buttons, check boxes, tabs, menu items).
QString Caption(std::string_view caption);
// The same for a plain label, which shows every character as it stands.
QString LabelText(std::string_view caption);
