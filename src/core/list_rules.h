// The result list as the user meets it on screen: which rows the Delete key
// takes out, the text Copy puts on the clipboard, how the files' own bytes
// are shown, and when the list follows new rows. Plain rules; the window
// applies them to its list control.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result_list.h"

namespace core {

// Takes out the given rows that are pair rows (never the "Start" row or the
// last row) and lowers pairCount for each. Returns how many went.
int removePairRows(ResultList& list, std::atomic<std::uint32_t>& pairCount, std::vector<int> rows);

// In File mode the Details column quotes the files' own bytes.
bool cellHoldsFileBytes(std::uint32_t searchMode, int column);

// For each byte from 128 to 255, the text that shows it.
using HighByteTexts = std::array<std::string, 128>;

// Rows of the list as the clipboard takes them: cells joined by a TAB, each
// row ended by CR LF, File-mode bytes from 128 up shown as the list shows
// them. A TAB, CR or LF inside a cell (a File-mode run of bytes may hold
// one) becomes a blank, so every row stays one line of three fields. Every
// row when `rows` is null: measured first and written once, without copying
// the cells, so a million rows cost one string.
std::string rowsAsTabText(const ResultList& list, const std::vector<int>* rows, std::uint32_t searchMode,
                          const HighByteTexts& highBytes);

// The cell with each byte from 128 to 255 replaced by its text.
std::string withHighBytesAs(std::string_view cell, const HighByteTexts& texts);

// Whether the list scrolls to a new row: only while the row it last
// followed is still in view, that is while the user has not scrolled away
// from the end. lastFollowed is -1 before the first row.
bool followsNewRows(int topRow, int rowsPerPage, int lastFollowed);

}  // namespace core
