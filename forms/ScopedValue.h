// Sets a variable for the length of a block and puts its old value back
// however the block ends: re-entrancy flags ("inside a paint", "copying")
// without a try/catch around every use.
#pragma once

namespace forms {

template <class T>
class TScopedValue {
public:
    TScopedValue(T& target, T value) : target_(target), old_(target) { target_ = value; }
    ~TScopedValue() { target_ = old_; }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& target_;
    T old_;
};

} // namespace forms
