// Number rules shared by the value printers.
#pragma once

// A single float zero is written as -1, as files the renderer reads have always carried it.
inline double guarded_float(float value) {
    return value == 0.0f ? -1.0 : static_cast<double>(value);
}

// Matrices and transforms are printed at single precision.
inline double as_single(double value) {
    return static_cast<double>(static_cast<float>(value));
}
