#include "model/Errors.h"

[[noreturn]] void ThrowIndexError(const char* listName, int64_t index, std::size_t size) {
    throw ModelError(std::string("List index out of bounds (") + std::to_string(index) + ") in " + listName +
                     " of " + std::to_string(size) + " entries");
}
