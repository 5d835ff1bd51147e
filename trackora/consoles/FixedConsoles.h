// Small consoles with one fixed command per button: SMS simulation and free parameter text, call tests,
// a module's IMEI, band and work mode, and a supervision watch.
#pragma once

#include <optional>
#include <string>

#include "consoles/ConsoleForm.h"

// The check digit of a 14-digit IMEI body (the Luhn digit): digits at odd positions count once, at even
// positions the digit sum of their double; the digit brings the sum to a multiple of 10.
// Nothing when the body is not 14 characters; throws EConvertError for a character that is not a digit.
std::optional<int> ImeiCheckDigit(const std::string& body);

class TfSmsTest : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfSmsTest(QWidget* parent = nullptr);
};

class TfCallTest : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfCallTest(QWidget* parent = nullptr);

  private:
    // "计算校验码": the check digit of the IMEI body in Edit2, into Edit3.
    void CheckDigitClick();
};

class TfRK_mtv : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfRK_mtv(QWidget* parent = nullptr);
};

class TfSFWatch : public TCommandConsole {
    Q_OBJECT
  public:
    explicit TfSFWatch(QWidget* parent = nullptr);
};

extern TfSmsTest* fSmsTest;
extern TfCallTest* fCallTest;
extern TfRK_mtv* fRK_mtv;
extern TfSFWatch* fSFWatch;
