#pragma once

#include <string>
#include <vector>

#include "platform/SettingsStore.h"

// Runs a command line in the program's folder and returns everything it printed, converted
// from the 8-bit code page; "指令执行异常！" when it could not be started.
std::string RunCommand(const std::string& commandLine);

// The user's "Language" setting, or an empty text.
std::string GetLanguageSetting(platform::SettingsStore& store);

// Adds the full path of every entry of the program's folder that matches the mask to the
// front of the list (so the list ends in the reverse order of the search) and returns the
// list's size.
size_t FindFiles(const std::string& mask, std::vector<std::string>& list);

// A switch ("/s", "/u") anywhere in the command line, in either case, even inside a word.
bool CommandLineHas(const std::string& commandLine, const char* option);
