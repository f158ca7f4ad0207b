// The texts of the tessaro command and the language and code set they are shown in.
//
// Every text is composed in Chinese, as the windows show it: the workflows' own texts and the
// command's. The user reads them in Chinese under a Chinese locale and in English otherwise; a
// table of patterns gives the English form, each "{}" of a pattern standing for a part (a host,
// a file, a reason) that is itself translated when it is one of the table's texts. Composed texts
// are UTF-8; what the command writes is in the terminal's code set, the locale's (GBK under
// zh_CN.GBK).
#pragma once

#include <cstdio>
#include <string>

namespace tessaro::cli {

// True when the user's language is Chinese (platform::UserLanguageIsChinese).
bool ChineseLocale();

// The user's form of a client text (UTF-8): itself under a Chinese locale, else its English form
// (a text the table does not know stays as it is).
std::string Localize(const std::string& text);

// The English form of a client text, whatever the locale.
std::string English(const std::string& text);

// UTF-8 text in the terminal's code set (kAnsiCodePage); characters it lacks become "?".
std::string ForTerminal(const std::string& utf8);

// Narrow text (ANSI code page: names, paths) as UTF-8, for composing texts.
std::string ToUtf8(const std::string& narrow);

// Writes Localize(text), in the terminal's code set, and a line break to `stream`.
void PrintLine(std::FILE* stream, const std::string& text);

// Writes "tessaro: " + Localize(text) to standard error, as PrintLine does; the lines after
// the first of a message are indented.
void PrintError(const std::string& text);

}  // namespace tessaro::cli
