// The matrix window: sends a text to the terminal, which computes a 21 x 21 matrix code from it, and
// paints the matrix the terminal answers with.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <optional>

#include "consoles/ConsoleForm.h"
#include "tools/TestWindowData.h"

// The paint box keeps what it shows and paints it in its paint event, so the matrix survives every
// repaint (being covered, resized or restored).
class TQrPaintBox : public QWidget {
    Q_OBJECT
  public:
    explicit TQrPaintBox(QWidget* parent = nullptr);

    // Replaces whatever was shown by the matrix.
    void ShowMatrix(const QrModules& modules);
    // Adds one dark module at the matrix origin.
    void MarkOrigin();
    [[nodiscard]] const std::optional<QrModules>& Matrix() const { return matrix_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<QrModules> matrix_;
    bool origin_ = false;
};

class TfQRCreate : public TConsoleForm {
    Q_OBJECT
  public:
    explicit TfQRCreate(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* SpeedButton1;  // "下发生成指令"
    QPushButton* SpeedButton2;  // no caption
    TQrPaintBox* PaintBox1;

  public slots:
    void QRDataInput();

  private:
    // Asks the terminal for the matrix of Edit1's text.
    void SendText();
};

extern TfQRCreate* fQRCreate;
