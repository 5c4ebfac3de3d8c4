// Messages of the advisors' computations. The computations never open a window: they hand each
// message to OnAdvisorMessage, which the program's forms set to show a message box with an OK
// button. With no handler set the message is dropped.
#pragma once

#include <functional>
#include <string>

enum TAdvisorMsgKind { amkInformation, amkWarning, amkError };

using TAdvisorMessageEvent = std::function<void(TAdvisorMsgKind kind, const std::string& text)>;

extern TAdvisorMessageEvent OnAdvisorMessage;

void AdvisorMessage(TAdvisorMsgKind kind, const std::string& text);
