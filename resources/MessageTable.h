#pragma once

#include <string>

#include "resources/UiLanguage.h"

namespace resources {

// The program's two-language message table. Code names a message by its id; the text is
// looked up when it is needed, in the UI language of the thread that asks.

// The text of a message in the calling thread's UI language. When the table has no text in
// that language, the other language's text; an id that is not in the table gives "".
std::string LoadMessageText(unsigned id);
// The same for a given language (Chinese variants take the Chinese text, all others the
// English one, each falling back to the other language).
std::string LoadMessageText(unsigned id, LangId language);

// A message text with every "%d" replaced by the decimal digits of value; nothing else in
// the text changes (a table text is never used as a printf format).
std::string FillNumber(const std::string& text, long long value);

}  // namespace resources
