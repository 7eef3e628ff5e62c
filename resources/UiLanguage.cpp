#include "resources/UiLanguage.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace resources {

namespace {

thread_local std::optional<LangId> t_language;

}  // namespace

LangId UiLanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0') continue;
        return std::strncmp(value, "zh", 2) == 0 ? kLangChinese : kLangEnglish;
    }
    return kLangEnglish;
}

LangId UserUiLanguage() {
    static const LangId language = UiLanguageFromLocale(
        std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    return language;
}

LangId GetThreadUiLanguage() {
    if (!t_language) t_language = UserUiLanguage();
    return *t_language;
}

void SetThreadUiLanguage(LangId language) { t_language = language; }

bool IsChinese(LangId language) { return (language & 0x3FF) == 0x04; }

}  // namespace resources
