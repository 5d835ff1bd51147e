// The 4G watch's console: two parameter pages (the second with the alarm and speed-dial rows) and a page
// of one-shot commands, among them the cell module's sub-commands.
#pragma once

#include "consoles/ParamConsole.h"

class TfPW3318 : public TParamConsole {
    Q_OBJECT
  public:
    explicit TfPW3318(QWidget* parent = nullptr);
};

extern TfPW3318* fPW3318;
