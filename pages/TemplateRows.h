#pragma once
// Short spellings of the control-table rows the setting pages use, positions in
// dialog units.

#include "DialogTemplate.h"

namespace velkor::rows {

constexpr ControlSpec rightLabel(int id, const char* text, int x, int y, int width, int height) {
  return {.kind = ControlKind::StaticText,
          .id = id,
          .caption = text,
          .x = x,
          .y = y,
          .width = width,
          .height = height,
          .alignment = Qt::AlignRight};
}

constexpr ControlSpec leftLabel(const char* text, int x, int y, int width, int height) {
  return {.kind = ControlKind::StaticText, .caption = text, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec dropDownList(int id, int x, int y, int width, int height) {
  return {.kind = ControlKind::DropDownList, .id = id, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec editField(int id, int x, int y, int width, int height) {
  return {.kind = ControlKind::EditField, .id = id, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec slider(int id, int x, int y, int width, int height) {
  return {.kind = ControlKind::Slider, .id = id, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec radioButton(int id, int x, int y, int width, int height) {
  return {.kind = ControlKind::RadioButton, .id = id, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec checkBox(int id, const char* text, int x, int y, int width, int height) {
  return {.kind = ControlKind::CheckBox, .id = id, .caption = text, .x = x, .y = y, .width = width, .height = height};
}

constexpr ControlSpec groupBox(int id, const char* caption, int x, int y, int width, int height) {
  return {
      .kind = ControlKind::GroupBox, .id = id, .caption = caption, .x = x, .y = y, .width = width, .height = height};
}

// The same row, never shown.
constexpr ControlSpec hidden(ControlSpec row) {
  row.visible = false;
  return row;
}

}  // namespace velkor::rows
