#include "tools/ToolForm.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "consoles/CommandKit.h"
#include "link/OutputLog.h"
#include "platform/Clock.h"
#include "platform/TextFile.h"

void ApplyLabels(QWidget* form, const LabelTexts& texts) {
    for (const LabelText& t : texts) {
        if (auto* label = form->findChild<QLabel*>(QString::fromStdString(t.name)))
            label->setText(QString::fromStdString(t.text));
    }
}

void ReserveLabelRoom(QWidget* form, const LabelTexts& widest) {
    for (const LabelText& t : widest) {
        auto* label = form->findChild<QLabel*>(QString::fromStdString(t.name));
        if (label == nullptr) continue;
        const int margins = 2 * label->margin() + std::max(label->indent(), 0) + 2 * label->frameWidth();
        const int room = label->fontMetrics().horizontalAdvance(QString::fromStdString(t.text)) + margins;
        label->setMinimumWidth(std::max(label->minimumWidth(), room));
    }
}

std::string LabelCaption(const QWidget* form, const std::string& name) {
    const auto* label = form->findChild<QLabel*>(QString::fromStdString(name));
    return label != nullptr ? label->text().toStdString() : std::string();
}

std::string ClockText(const QString& format) { return CurrentDateTime().toString(format).toStdString(); }

void SaveLinesAndTell(QWidget* parent, const std::vector<std::string>& lines, const char* saved) {
    const SaveResult result = SaveLinesWithDialog(parent, lines);
    if (result.outcome == SaveOutcome::Saved) ShowUserMessage(PlainMessage(QString::fromUtf8(saved)));
    if (result.outcome == SaveOutcome::Failed) ReportSaveFailure(result.path.toStdString(), result.error);
}
