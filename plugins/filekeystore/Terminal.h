// Password entry on the controlling terminal, for the calls that would show a
// dialog on a desktop. There is no window here: without a terminal these fail
// with 30020 rather than wait for input that cannot come.
#pragma once

#include <string>

namespace tavrpki::filekeystore {

// Prints `prompt` on the terminal and reads one line with echo off. The answer
// is returned without its line end. Throws 30020 when the process has no
// controlling terminal.
std::string ReadPasswordFromTerminal(const std::string& prompt);

// Wipes a password held in a string.
void WipeString(std::string& text);

}  // namespace tavrpki::filekeystore
