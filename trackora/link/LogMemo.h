// The output log's view: a plain-text list of lines that paints only the lines in sight.
//
// A technician leaves the program logging all day, so appending must not depend on how much is
// already there: a line is stored as it comes and the view only moves its scroll range; nothing lays
// out the whole text again. Whole lines can be selected with the mouse and copied.
#pragma once

#include <QAbstractScrollArea>
#include <string>
#include <string_view>
#include <vector>

class LogMemo : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit LogMemo(QWidget* parent = nullptr);

    // Appends text (UTF-8). An entry holding line breaks (CR LF or LF) becomes several lines; a break
    // at its very end adds no empty line.
    void AppendLine(std::string_view utf8);
    void Clear();
    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }
    // Selected lines joined by "\n" (empty when nothing is selected).
    [[nodiscard]] QString SelectedText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    [[nodiscard]] int LineHeight() const;
    [[nodiscard]] int VisibleLineCount() const;
    [[nodiscard]] int LineAt(int y) const;
    void UpdateScrollRanges();
    void StoreLine(std::string line);

    std::vector<std::string> lines_;
    size_t longestLine_ = 0;  // in bytes: a cheap bound for the horizontal range, no text measuring
    int selectionAnchor_ = -1;
    int selectionEnd_ = -1;
};
