#pragma once

#include <string>
#include <vector>

// The words of an SSIP command line, for the fake speech service (FakeSpeechService.h).
namespace qvtest {

// The words between the spaces.
std::vector<std::string> ssip_words(const std::string& line);

// The command in SSIP's documented case, whatever case it came in (the language is not case
// sensitive): keywords in capitals; "self", "all" and the values of PRIORITY and NOTIFICATION in
// lower case; other values (a client name, a number) as sent. "set SELF priority TEXT" is
// "SET self PRIORITY text"; "speak" is "SPEAK".
std::string ssip_documented_case(const std::string& line);

}  // namespace qvtest
