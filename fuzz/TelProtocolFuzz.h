#pragma once

#include <cstddef>
#include <cstdint>

// Runs one fuzz input through decoding, framing, keep-alive handling and the line handler.
// Input: a mode byte (bit 0: serial link instead of Wi-Fi), then operations, each an
// opcode byte followed by its argument: a chunk of received bytes (length byte, bytes),
// the start of a request, the clock moving on, or a new connection.
// Aborts when an invariant breaks; returns 0 otherwise.
int TelProtocolFuzzOne(const uint8_t* data, size_t size);
