// The dispatch identifiers of the transparent player control "saxwrapper.orvatool": its operations (each
// called as a method) and its two events. The control and the layered player's wrapper take them from here.
#ifndef SWFPLAYER_CONTROL_ORVATOOL_DISPIDS_H_
#define SWFPLAYER_CONTROL_ORVATOOL_DISPIDS_H_

namespace orvatool {

enum Dispid : long {
  kTotalFrames = 0x60030005,
  kScaleMode = 0x6003000a,
  kGetLoop = 0x6003000f,
  kSetLoop = 0x60030010,
  kGetMovie = 0x60030011,
  kSetMovie = 0x60030012,
  kSetZoomRect = 0x60030015,
  kPlay = 0x60030018,
  kBack = 0x6003001a,
  kForward = 0x6003001b,
  kRewind = 0x6003001c,
  kStopPlay = 0x6003001d,
  kCurrentFrame = 0x6003001f,
  kIsPlaying = 0x60030020,
  kFlashVersion = 0x60030023,
  kSetVariable = 0x6003003b,
  kTSetProperty = 0x6003003d,
  kTGetProperty = 0x6003003e,

  // Events, on the control's default source interface.
  kFSCommand = 1,
  kReadyStateChange = 2,
};

}  // namespace orvatool

#endif  // SWFPLAYER_CONTROL_ORVATOOL_DISPIDS_H_
