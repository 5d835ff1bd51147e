// Writing and reading a cell module's IMEI over raw AT lines: the line is repeated at the timer's pace,
// one byte per write, until the port manager has seen the module's answer ("OK" after a write, a
// "+EGMR:" line with the IMEI after a read) and raised AtOk or ImeiRead in SysRunInfo.
//
// The consoles that do this differ only in pace and words, so each gives its own texts and interval and
// the timer it shows under its own name; the flow drives that timer. There is no retry limit and no
// time-out: the line goes on until the answer comes, the other operation is started, or the window (and
// with it the timer) goes away.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "consoles/CommandKit.h"

class QTimer;

enum class ImeiAtMode { None = 0, Write = 1, Read = 2 };

struct ImeiAtTexts {
    UserMessage wrongLength;  // shown when the IMEI to write is not 15 characters long
    std::string writeDone;    // log line once the module took the IMEI (UTF-8)
    std::string readDone;     // log line before the IMEI read back (UTF-8)
};

class TImeiAtFlow : public QObject {
    Q_OBJECT
  public:
    // The IMEI to write is read from `imeiText` at every tick, so a corrected edit goes out next time.
    // `mode` is the console unit's own: it outlives the window, as the operation a console last started.
    // `timer` is the window's; its timeout runs Tick.
    TImeiAtFlow(QTimer* timer, int intervalMs, ImeiAtTexts texts, ImeiAtMode& mode,
                std::function<QString()> imeiText, QObject* parent);

    // Runs after the write was confirmed (a console may prepare the next IMEI).
    void SetAfterWrite(std::function<void()> afterWrite) { afterWrite_ = std::move(afterWrite); }

    // False (and the message shown) when the IMEI is not 15 characters long.
    bool StartWrite();
    void StartRead();
    ImeiAtMode Mode() const { return mode_; }

  public slots:
    // The timer's handler: finishes on the awaited flag, else sends the operation's line once more.
    void Tick();

  private:
    void Start(ImeiAtMode mode);
    void Finish(const std::string& line);

    QTimer* timer_;
    ImeiAtTexts texts_;
    ImeiAtMode& mode_;
    std::function<QString()> imeiText_;
    std::function<void()> afterWrite_;
};

// The lines the flow sends, without CR LF.
std::string ImeiWriteLine(const std::string& imei);
inline constexpr char kImeiReadLine[] = "AT+EGMR=0,7";
