// The AviSynth+ name of a clip's pixel type (VideoInfo::pixel_type), for the
// formats beyond the classic eight the clip report names by itself: high bit
// depth, planar RGB, alpha.
#pragma once

#include <string>

namespace avs_host {

// "YUV420P16", "RGBP10", "YUVA444PS", "Y32", ...; empty when no AviSynth+
// format has these bits.
std::string PixelTypeName(int pixel_type);

}  // namespace avs_host
