// What the batch confirmation says before the user agrees: what will happen
// to which files, and how many.
#pragma once

#include <cstdint>
#include <string>

namespace core {

struct BatchConfirmation {
    std::string action;   // the caption of the button that starts it
    std::string message;  // what it will do, and the checks it makes
    bool canStart = true;  // false when it could only empty the list
};

// For the batch mode (recycle, delete, move to moveDir, replace with link),
// the column (0 File A, 1 File B) and the number of files in it found 100%
// the same.
BatchConfirmation batchConfirmation(std::uint32_t batchDeleteMode, const std::string& moveDir, int column,
                                    std::uint32_t files);

}  // namespace core
