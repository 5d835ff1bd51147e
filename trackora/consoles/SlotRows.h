// The rows of controls that feed a watch's slot lists, and the two buttons of each list: the set button
// writes the list text of the checked rows, the query button asks for the list back without payload.
#pragma once

#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/SlotLists.h"

class QGridLayout;
class QWidget;

enum class SlotListKind { Alarms, SpeedDial, WhiteList };

struct SlotListDecl {
    SlotListKind kind;
    size_t rows;  // rows shown; the list's slots beyond them are always empty
    std::string setButton;
    std::string queryButton;
};

// Control names of row n (from 1): "<list><n>_Check", and for alarms "_OnOff", "_Day", "_Hour", "_Minute",
// "_Text", for numbers "_Number", "_Name"; <list> is "Alarm", "SpeedDial" or "WhiteList".
std::string SlotControlName(SlotListKind kind, size_t row, const char* control);
const char* SlotSetCaption(SlotListKind kind);
const char* SlotQueryCaption(SlotListKind kind);

// Makes the rows of a list at `row` of the grid and returns the next free row.
int AddSlotRows(QWidget* owner, QGridLayout* grid, int row, const SlotListDecl& decl);

// The list text of the rows as they stand, as command `set`, or the refusal of a separator inside a written
// slot, naming it.
[[nodiscard]] CommandResult BuildSlotList(const QWidget* form, const SlotListDecl& decl);
// The list's query: its command without payload.
Request SlotQuery(const SlotListDecl& decl);
