#pragma once

#include <cstdint>

namespace resources {

// A UI language id (Windows LANGID values: primary language in the low ten bits).
using LangId = uint16_t;

inline constexpr LangId kLangEnglish = 1033;  // English (United States)
inline constexpr LangId kLangChinese = 2052;  // Chinese (Simplified, PRC)

// The UI language of the calling thread. A thread starts with the user's language and
// keeps its own choice from then on; other threads are not affected.
LangId GetThreadUiLanguage();
void SetThreadUiLanguage(LangId language);

// The user's UI language, from the locale variables of the environment (read once).
LangId UserUiLanguage();

// The UI language that locale variables select: the first one that is set and not empty
// of LC_ALL, LC_MESSAGES and LANG decides (as for message catalogues); a value that begins
// with "zh" selects Chinese, anything else (or nothing) English. Null stands for unset.
LangId UiLanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);

// True when the language is one of the Chinese variants (primary language 0x04).
bool IsChinese(LangId language);

}  // namespace resources
