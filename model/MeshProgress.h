// Progress of a long pass over the elements of a list, shown on the gauge at
// most about once per percent so that the per-element work stays cheap.
#pragma once

#include <algorithm>
#include <cstdint>

#include "model/StatusLog.h"

class MeshProgress {
public:
    explicit MeshProgress(int64_t count)
        : last_(count > 1 ? count - 1 : 1), step_(std::max<int64_t>(1, count / 100)), left_(1) {}

    // Call once per element with its index, in order.
    void Tick(int64_t index) {
        if (--left_ > 0) return;
        left_ = step_;
        ShowProgress(0, static_cast<double>(last_), static_cast<double>(index));
    }

private:
    int64_t last_;
    int64_t step_;
    int64_t left_;
};
