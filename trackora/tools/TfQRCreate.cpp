#include "tools/TfQRCreate.h"

#include <QGridLayout>
#include <QPainter>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"
#include "link/ReplyInputs.h"
#include "tools/ToolForm.h"

TfQRCreate* fQRCreate = nullptr;

namespace {
constexpr uint16_t kMatrixCmd = 0x0392;
// Module (i, j) is the square of kModulePx pixels at (kMatrixOrigin + kModulePx j, kMatrixOrigin + kModulePx
// i).
constexpr int kMatrixOrigin = 10;
constexpr int kModulePx = 5;
constexpr int kBoxSide = 2 * kMatrixOrigin + kQrSide * kModulePx;
const char* const kSampleText = "1234567890";

void PaintModule(QPainter& painter, int row, int column, bool dark) {
    painter.fillRect(kMatrixOrigin + kModulePx * column, kMatrixOrigin + kModulePx * row, kModulePx,
                     kModulePx, dark ? Qt::black : Qt::white);
}
}  // namespace

TQrPaintBox::TQrPaintBox(QWidget* parent) : QWidget(parent) { setFixedSize(kBoxSide, kBoxSide); }

void TQrPaintBox::ShowMatrix(const QrModules& modules) {
    matrix_ = modules;
    origin_ = false;
    update();
}

void TQrPaintBox::MarkOrigin() {
    origin_ = true;
    update();
}

void TQrPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (matrix_) {
        for (int i = 0; i < kQrSide; ++i)
            for (int j = 0; j < kQrSide; ++j)
                PaintModule(painter, i, j, (*matrix_)[static_cast<size_t>(kQrSide * i + j)]);
    }
    if (origin_) PaintModule(painter, 0, 0, true);
}

TfQRCreate::TfQRCreate(QWidget* parent)
    : TConsoleForm("TfQRCreate", QString::fromUtf8("二维码生成器"), parent) {
    auto* grid = new QGridLayout(this);
    Edit1 = new QLineEdit(QString::fromLatin1(kSampleText), this);
    Edit1->setObjectName("Edit1");
    SpeedButton1 = AddButton(grid, 0, 1, Button("SpeedButton1", "下发生成指令"), [this] { SendText(); });
    SpeedButton2 = AddButton(grid, 0, 2, Button("SpeedButton2", ""), [this] { PaintBox1->MarkOrigin(); });
    grid->addWidget(Edit1, 0, 0);
    PaintBox1 = new TQrPaintBox(this);
    PaintBox1->setObjectName("PaintBox1");
    grid->addWidget(PaintBox1, 1, 0, 1, 3, Qt::AlignLeft | Qt::AlignTop);
    grid->setRowStretch(1, 1);
    AddReplyInput(this, "QRDataInput", &TfQRCreate::QRDataInput);
}

void TfQRCreate::SendText() {
    // A text longer than one frame carries is cut to what it can carry, whole characters only.
    (void)SendRequest({kMatrixCmd, CutCp936(EditBytes(this, "Edit1"), kMaxFramePayload)});
}

void TfQRCreate::QRDataInput() { PaintBox1->ShowMatrix(QrMatrixOf(ReplyRecord)); }
