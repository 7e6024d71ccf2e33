// Facts about pixel_type values that the frame server needs in several
// places: component sizes, chroma subsampling, names.
#pragma once

#include <string>

namespace pixel_format {

// Bytes of one sample: 1 (8 bit), 2 (10 to 16 bit) or 4 (float).
int ComponentBytes(unsigned pt);
// Planar with separate U and V planes (not Y-only, not packed).
bool HasChromaPlanes(unsigned pt);
bool IsYOnly(unsigned pt);
// log2 of the chroma subsampling; 0 for formats without chroma planes.
int WidthShift(unsigned pt);
int HeightShift(unsigned pt);
// Bytes of one pixel of the first plane.
int BytesPerPixel(unsigned pt);
int BitsPerPixel(unsigned pt);
// The pixel_type of a name such as "YV12" (any case); 0 when unknown.
int FromName(const std::string& name);
// The sample_type of "8bit", "16bit", "24bit", "32bit", "float"; 0 if unknown.
int SampleTypeFromName(const std::string& name);
int BytesPerSample(int sample_type);

}  // namespace pixel_format
