// Fuzz target bodies shared by the libFuzzer programs and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

int FuzzDocReader(const uint8_t* data, size_t size);
int FuzzDocxReader(const uint8_t* data, size_t size);
int FuzzEqField(const uint8_t* data, size_t size);
int FuzzConversion(const uint8_t* data, size_t size);
int FuzzTaggedText(const uint8_t* data, size_t size);
