#include "advisors/AdvisorMessages.h"

TAdvisorMessageEvent OnAdvisorMessage;

void AdvisorMessage(TAdvisorMsgKind kind, const std::string& text) {
    if (OnAdvisorMessage) OnAdvisorMessage(kind, text);
}
