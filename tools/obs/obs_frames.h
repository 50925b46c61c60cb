// OBS's frames as the filters' pictures: which formats the filters take, and where each plane's
// samples lie. The filters read and write the frame where OBS holds it.
#pragma once

#include "obs_api.h"
#include "pipeline/picture.h"

namespace tessaro::tools {

// The frame as a picture, rewritten in place; false for a format the filters cannot take (BGR3,
// packed 4:4:4 with alpha, any format a later OBS adds) or rows shorter than its width needs.
// Planes of alpha pass untouched; YUV takes the frame's range, the filters' own colour matrices.
bool PictureOfFrame(const obs::SourceFrame& frame, pipeline::Picture* picture);

// "NV12", "P010" ... as OBS names them; "format N" for one this plug-in does not know.
const char* FormatName(obs::VideoFormat format, char (&unknown)[24]);

}  // namespace tessaro::tools
