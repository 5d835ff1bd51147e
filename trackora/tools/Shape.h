// One signal bar of the monitor's GPS panel. The bar is drawn from its model in the paint event, so it
// comes back after every repaint, and it never leaves its frame.
#pragma once

#include <QWidget>

#include "tools/MoniPanels.h"

class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);

    void SetBar(const GpsBar& bar);
    [[nodiscard]] const GpsBar& Bar() const { return bar_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    GpsBar bar_;
};
