#pragma once

#include <string>

class HelperLog;

// The firewall side of the helper: lets phones reach the phone port through firewalld (the running
// and the permanent configuration) or ufw, whichever is on, or takes that opening away again.
// With no firewall on there is nothing to do. Files lie under `root`, which stands for "/"
// (empty on a real machine). Both return a HelperExit code.
int openPhonePort(const std::string& root, HelperLog& log);
int closePhonePort(const std::string& root, HelperLog& log);
