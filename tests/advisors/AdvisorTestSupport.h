// Shared helpers of the advisors' tests: recorded messages and the shipped limits file, with
// the runtime tests' folder of a test's own.
#pragma once

#include "advisors/AdvisorMessages.h"
#include "advisors/LeaseBuyEngine.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct TRecordedMessage {
    TAdvisorMsgKind Kind;
    std::string Text;
};

// Records every advisor message while it lives.
class TMessageRecorder {
public:
    TMessageRecorder() {
        OnAdvisorMessage = [this](TAdvisorMsgKind kind, const std::string& text) {
            Messages.push_back({kind, text});
        };
    }
    ~TMessageRecorder() { OnAdvisorMessage = nullptr; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TRecordedMessage& m : Messages)
            texts.push_back(m.Text);
        return texts;
    }
    std::vector<TRecordedMessage> Messages;
};

// The limits file the build puts beside the program.
inline std::string ShippedAutoBin() {
    return std::string(VANTREL_BINARY_DIR) + "/app/auto.bin";
}

// A car-sized purchase against a three-year lease, monthly, fully used for business.
inline TLeaseBuyData SampleLeaseBuyData() {
    TLeaseBuyData d;
    d.Asset = "delivery van";
    d.DiscountRate = 6;
    d.BusinessUsePercent = 100;
    d.TaxRate = 30;
    d.TaxRateSale = 20;
    d.TaxRateProperty = 1;
    d.Price = 30000;
    d.PurchaseSalesTax = 5;
    d.PurchaseDeposit = 3000;
    d.PurchaseRate = 8;
    d.PurchaseNumPmts = 60;
    d.OverrideEndPurchase = false;
    d.LeasePmt = 450;
    d.LeaseNumPmts = 36;
    d.LeaseDeposit = 500;
    d.AcquisitionCosts = 700;
    d.LeaseMiscExpense = 120;
    d.LeaseEndExpense = 250;
    d.OverrideEndLease = true;
    d.LeaseEndValue = 15000;
    d.LeaseEndOptionPrice = 14000;
    d.Life = 5;
    d.DepreciationMthd = dm200DB;
    return d;
}
