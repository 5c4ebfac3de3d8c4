#include "report/RptDefine.h"

void RaiseError(const std::string& ErrorMessage) {
    throw EReportWriter(ErrorMessage);
}

double UnitsFactorOf(TPrintUnits Units) {
    switch (Units) {
    case unInch: return 1.0;
    case unMM: return 25.4;
    case unCM: return 2.54;
    case unPoint: return 72.0;
    case unUser: break;
    }
    return 0.0;
}

void ChangeUnits(TPrintUnits Value, TPrintUnits& Units, double& Factor) {
    Units = Value;
    if (Value != unUser) Factor = UnitsFactorOf(Value);
}

void ChangeUnitsFactor(double Value, TPrintUnits& Units, double& Factor) {
    if (!(Value > 0.0)) return;
    Factor = Value;
    Units = unUser;
    for (TPrintUnits unit : {unInch, unMM, unCM, unPoint})
        if (Value == UnitsFactorOf(unit)) Units = unit;
}
