#include "core/app_state.h"

#include <cstring>

#include "text/text.h"

namespace core {

void SharedText::set(const std::string& value) {
    std::lock_guard lock(mutex_);
    value_ = value;
}

std::string SharedText::get() const {
    std::lock_guard lock(mutex_);
    return value_;
}

void copyToField(char* field, std::size_t fieldSize, const std::string& value) {
    if (fieldSize == 0) return;
    const std::size_t length = text::characterBoundary(value, fieldSize - 1);
    std::memcpy(field, value.data(), length);
    field[length] = '\0';
}

std::string fieldText(const char* field, std::size_t fieldSize) {
    const void* end = std::memchr(field, '\0', fieldSize);
    std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : fieldSize;
    return std::string(field, length);
}

}  // namespace core
