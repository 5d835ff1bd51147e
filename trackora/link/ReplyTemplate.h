// Reply rows written as line templates, and the one engine that prints them.
//
// A template is the row's lines separated by '\n'. Literal text is copied; a field in braces is
// replaced by a value of the payload (N and M are byte offsets, K a factor):
//   {bN}  dec(byte N)            {bN*K} dec(byte N * K)      {xN}  hex2(byte N)
//   {wN}  dec(BE16 at N)         {lN}   dec(BE32 at N)       {cN}  float(BE16 at N / 100)
//   {gN}  degree text of bytes N..N+3                        {dN}  "y-m-d h:m:s" of bytes N..N+5
//   {tN}  text of bytes N..Len-1 {tN-M} text of bytes N..M
//   {h}   hex dump of the payload                            {p}   hex2 of every payload byte, joined
//   {bN?v:text|v:text|*:text}  the text chosen by byte N; without a "*" entry an unlisted value adds
//                              nothing, and "*!" drops the whole line.
// Texts of choices hold no '|' or '}'. A malformed field prints "{?}" so a bad row shows in tests.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "link/ReplyFormat.h"
#include "link/ReplyTable.h"

struct TemplateRow {
    uint16_t type;
    const char* lines;      // nullptr: the row only forwards
    const char* forwardTo;  // "Form.Method" that gets the reply after the lines, or nullptr
};

// Prints one template over a payload.
void RenderReplyTemplate(const ReplyBytes& bytes, std::string_view lines, ReplyLines& out);
// Registers template rows: each becomes a reply row whose decoder renders its template.
void RegisterTemplateRows(std::span<const TemplateRow> rows);
// The template registered for a type, or nullptr.
[[nodiscard]] const char* FindReplyTemplate(uint16_t type);
