// Fixed-size arrays of the pump table whose every index is bounds-checked.
#pragma once

#include <array>
#include <string>

#include "dorvane/common/types.h"

namespace dorvane {

inline constexpr int kPumpCount = 24;  // pumps on the forecourt, index 0..23
inline constexpr int kPumpSlots = 32;  // every per-pump array has bounds 0..31
inline constexpr int kItemKinds = 3;   // item index k: 0 slot 0, 1 slot 1, 2 prepay

inline void check_index(int i, int size, const char* what) {
    if (i < 0 || i >= size) throw IndexFault(std::string(what) + "(" + std::to_string(i) + ")");
}

template <typename T>
class PumpArray {
  public:
    explicit PumpArray(const char* name, T init = T{}) : name_(name) { data_.fill(init); }
    T& operator()(int i) {
        check_index(i, kPumpSlots, name_);
        return data_[static_cast<std::size_t>(i)];
    }
    const T& operator()(int i) const {
        check_index(i, kPumpSlots, name_);
        return data_[static_cast<std::size_t>(i)];
    }
    const char* name() const { return name_; }

  private:
    const char* name_;
    std::array<T, kPumpSlots> data_{};
};

template <typename T>
class ItemArray {
  public:
    explicit ItemArray(const char* name, T init = T{}) : name_(name) {
        for (auto& row : data_)
            row.fill(init);
    }
    T& operator()(int k, int i) {
        check(k, i);
        return data_[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
    }
    const T& operator()(int k, int i) const {
        check(k, i);
        return data_[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
    }
    const char* name() const { return name_; }

  private:
    void check(int k, int i) const {
        if (k < 0 || k >= kItemKinds || i < 0 || i >= kPumpSlots)
            throw IndexFault(std::string(name_) + "(" + std::to_string(k) + ", " +
                             std::to_string(i) + ")");
    }
    const char* name_;
    std::array<std::array<T, kPumpSlots>, kItemKinds> data_{};
};

}  // namespace dorvane
