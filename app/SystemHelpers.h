#pragma once

#include <string>
#include <vector>

#include "platform/ProgramFiles.h"
#include "platform/SettingsStore.h"

// Runs a command line in the program's folder and returns everything it printed, converted
// from the program files' 8-bit code page; "指令执行异常！" when it could not be started.
std::string RunCommand(const platform::ProgramFiles& files, const std::string& commandLine);

// The user's "Language" setting (8-bit text in the code page), or an empty text.
std::string GetLanguageSetting(platform::SettingsStore& store, const platform::CodePage& codePage);

// Adds the full path of every entry of the program's folder that matches the mask to the
// front of the list (so the list ends in the reverse order of the search) and returns the
// list's size.
size_t FindFiles(const platform::ProgramFiles& files, const std::string& mask,
                 std::vector<std::string>& list);

// A switch ("/s", "/u") anywhere in the command line, in either case, even inside a word.
bool CommandLineHas(const std::string& commandLine, const char* option);
