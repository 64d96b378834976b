// Every step of the reader on one input, with nothing written anywhere: what the libFuzzer target
// runs, and the test that replays the inputs it found faults with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scene_parser.h"

namespace inspect {

// Parses, finds the meshes and placements, checks, summarises and walks the placements as
// --obj and --png do (cut short after a bounded number of steps).
ParseStatus read_scene_fully(const std::uint8_t* data, std::size_t size);

}  // namespace inspect
