#include "advisors/AdvMsg.h"

TAdvisorMessageEvent OnAdvisorMessage;

void AdvisorMessage(TAdvisorMsgKind kind, const std::string& text) {
    if (OnAdvisorMessage) OnAdvisorMessage(kind, text);
}
