// An object that tells those who refer to it that it is being destroyed,
// so that they drop the reference instead of keeping a dangling pointer (a
// list box and the image list or picture container it draws from).
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace gfx {

class FreeNotifier {
public:
    FreeNotifier() = default;
    // A copy is a new object: nobody refers to it yet.
    FreeNotifier(const FreeNotifier&) {}
    FreeNotifier& operator=(const FreeNotifier&) { return *this; }
    ~FreeNotifier() {
        auto observers = std::move(observers_);
        for (auto& [owner, removed] : observers) removed();
    }

    // `removed` runs when this object is destroyed; one call for each owner
    // (a second registration of the same owner replaces the first). Those
    // who only read the object register too.
    void AddFreeNotification(const void* owner, std::function<void()> removed) const {
        RemoveFreeNotification(owner);
        observers_.emplace_back(owner, std::move(removed));
    }
    // The owner no longer refers to this object.
    void RemoveFreeNotification(const void* owner) const {
        std::erase_if(observers_, [owner](const auto& o) { return o.first == owner; });
    }

private:
    mutable std::vector<std::pair<const void*, std::function<void()>>> observers_;
};

}  // namespace gfx
