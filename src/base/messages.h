// Every text the player can show in a message box, in one catalogue: the script errors (shown after
// "%d: ", the line number), the device and file errors, and the names that the missing-variable
// message gives the items of each command. The player, the headless runner and scnlint take their
// texts from here, and `scnlint --language` lists them for the reference checks.
//
// The texts are printf formats where they carry values. The spelling of the old texts is part of
// the language that lesson authors know; keep it.
#pragma once

#include <cstddef>
#include <iterator>

namespace vellaro {

// X(name, text) for every message.
#define VELLARO_MESSAGES(X)                                                                                      \
  /* Variables and the interpreter. */                                                                           \
  X(kVariableMissing, "%s  -- Variable (%s) Does not Exists")                                                    \
  X(kTooManyVariables, "TOO MANY VARIABLES!")                                                                    \
  X(kArgumentOverflow, "Overflow parsing arguments")                                                             \
  X(kScenarioTooLong, "Scenario file (%s) has more than %d lines; the lines after line %d are ignored")          \
  X(kStackOverflow, "STACK OVERFLOW")                                                                            \
  X(kReturnFromTop, "CANNOT RETURN FROM TOP_LEVEL FUNCTION")                                                     \
  X(kParentScenarioMissing, "exit: Cannot found parent scenario file")                                           \
  X(kScenarioMissing, "Cannot found Scenario file (%s)")                                                         \
  X(kEndOfScenario, "WARNING: end of scenario - exit assumed")                                                   \
  X(kNumberedJumpFailed, "goto N. Variable %s")                                                                  \
  X(kJumpVariableMissing, "does not exists")                                                                     \
  X(kJumpVariableNotNumber, "is not a NUMBER")                                                                   \
  X(kJumpVariableOutOfRange, "is out of range")                                                                  \
  X(kMessageCaption, "Message")                                                                                  \
  X(kLabelMissingAskRestart, "Label (%s) not found. %s:%d Load it from begin?")                                  \
  X(kScenarioCannotLoad, "Cannot load Scenario File (%s)")                                                       \
  X(kLoadLabelMissing, "Label (%s) not found in line %d. Execute scenario from begining")                        \
  X(kReloadLabelGone, "Label (%s) is not in %s any more after the reload; the lesson goes on from line 0")       \
  X(kReloadRefused, "Scenario file (%s) cannot be reloaded: %s. The lesson goes on with the text it had")        \
  X(kReloadCannotOpen, "it cannot be opened")                                                                    \
  X(kReloadEmpty, "it is empty")                                                                                 \
  X(kReloadTooManyLines, "it has more than %d lines")                                                            \
  X(kReloadLineTooLong, "line %d has more than %d characters")                                                   \
  X(kReloadBareLineFeed, "a line does not end with CR LF")                                                       \
  X(kTooManyObjects, "MAX number of objects reached!")                                                           \
  /* Conditions. */                                                                                              \
  X(kIfFirstNotNumber, "if(%c): variable 1 is not  number")                                                      \
  X(kIfSecondNotNumber, "if(%c): variable 2 is not  number")                                                     \
  X(kIfRangeValueNotNumber, "if(diapazone): variable is not number")                                             \
  X(kIfRangeNoComma, "if(diapazone): diapazone contains no separator(,)")                                        \
  X(kIfRangeLowNotNumber, "if(diap): [d1,] is not number")                                                       \
  X(kIfRangeHighNotNumber, "if(diap): [,d2] is not number")                                                      \
  /* Pictures and the object registry. */                                                                        \
  X(kBackgroundColourInvalid, "Background color is invalid")                                                     \
  X(kPictureMissing, "cannot find picture %s")                                                                   \
  X(kTransparentColourInvalid, "Transparent color is invalid")                                                   \
  X(kCoordinateNotNumber, "Coordinate is not a number")                                                          \
  X(kRemoveFoundNothing, "remove  -- Cannot found object")                                                       \
  X(kRemoveFoundSeveral, "remove: Several object with the same name found and removed")                          \
  X(kMoveObjectMissing, "move -- object (%s) is not found")                                                      \
  /* Text. */                                                                                                    \
  X(kTextWidthNotNumber, "text: additional text size is not a number")                                           \
  X(kFontSizeNotNumber, "Font size is not a number")                                                             \
  X(kCodepageNotNumber, "Codepage is not a number")                                                              \
  X(kFontInvalid, "Font data is invalid")                                                                        \
  X(kFontColourInvalid, "Font color is invalid")                                                                 \
  X(kGettextFieldMissing, "GetText: text control (%s) is not found")                                             \
  X(kInputTimeNotNumber, "input  -- time is not a number")                                                       \
  /* Sound. */                                                                                                   \
  X(kPlayNoteNotNumber, "melody: parameter of PLAY command is not a number")                                     \
  X(kPauseValueNotNumber, "pause: parameter 1 is not a number")                                                  \
  X(kPauseTempoNotNumber, "pause  -- (tempo) variable is not a number")                                          \
  X(kPauseOutOfRange, "pause -- parameter is out of range")                                                      \
  /* Melody capture and checking. */                                                                            \
  X(kExpectNotNumber, "melody  -- parameter of EXPECT command is not a number")                                  \
  X(kCheckModeFlagsNotNumber, "check mode  -- mode is not a number.")                                            \
  X(kCheckModeAccuracyNotNumber, "check mode  -- accuracy is not a number.")                                     \
  X(kCheckLatencyInvalid, "check latency  -- not a number from 0 to 2000.")                                      \
  X(kCheckUnknown, "check  -- Unknown command   <check %s>")                                                     \
  X(kCheckVariableMissing, "check %s  -- variable name is missing")                                             \
  X(kCheckLogFileMissing, "check log  -- file name is missing")                                                  \
  X(kCheckLogTagMissing, "check log  -- tag is missing")                                                         \
  X(kCheckLogCannotWrite, "check log  -- file (%s) cannot be written; the line is not added")                    \
  X(kListenUnknown, "listen  -- Unknown command   <listen %s>")                                                   \
  X(kListenNoMicrophone, "listen  -- no microphone")                                                             \
  X(kListenDeviceFailed, "listen  -- %s")                                                                        \
  X(kListenVariableMissing, "listen level  -- variable name is missing")                                         \
  X(kDiagramScaleTooSmall, "rdiagram  -- scale must be at least 1")                                              \
  X(kDiagramWidthInvalid, "rdiagram  -- width must be a number from 1 to 16384")                                 \
  /* Variables and store files. */                                                                               \
  X(kIncAddNotNumber, "inc  -- add value is not number")                                                         \
  X(kIncVariableMissing, "inc  -- variable does not exists")                                                     \
  X(kIncValueNotNumber, "inc  -- value is not number")                                                           \
  X(kStoreCannotCreate, "store -- file (%s) cannot be created")                                                  \
  X(kStoreVariableMissing, "store -- variable (%s) does not exists")                                             \
  X(kStoreCannotWrite, "store -- file (%s) cannot be written; its old content is kept")                          \
  X(kRestoreFileMissing, "restore -- file (%s) does not exists")                                                 \
  X(kRestoreTooManyNames, "restore -- more than %d variables in the list; the rest are ignored")                 \
  X(kRestoreVariableMissing, "restore -- variable (%s) is not found in file (%s)")                               \
  X(kMathDivideByZero, "Math Error: Divide by 0 near '%.*s'\n")                                                  \
  X(kMathSyntaxError, "Math Error: Syntax error near '%.*s'\n")                                                  \
  /* Shell, display mode and debug log. */                                                                       \
  X(kExecFailed, "exec  -- cannot launch document/application (%s)")                                             \
  X(kScreenWidthNotNumber, "screen: width is not a number")                                                      \
  X(kScreenColourNotNumber, "screen: color is not a number")                                                     \
  X(kScreenFrequencyNotNumber, "screen: frequency is not a number")                                              \
  X(kScreenModeMissing, "screen: no such screen resolution available: width=%d, colorsBit=%d, frequency=%d")     \
  X(kDebugUnknownMode, "debug  -- unknown mode")                                                                 \
  /* Pictures from files and libraries. */                                                                      \
  X(kPlainPictureMissing, "Plain BMP Image not found")                                                           \
  X(kPictureUnusable, "Cannot show the BMP picture %s: %s")                                                      \
  X(kPictureNotBmp, "no BMP")                                                                                    \
  X(kLibraryPictureIn, "%s in %s")                                                                               \
  X(kLibraryPictureMissing, "Image (%s:%s) not found in library (%s). Loading from plain file")                 \
  X(kPictureMissingEverywhere, "Image not found AT ALL")                                                         \
  X(kBmpHeaderSize, "a header of %u bytes")                                                                      \
  X(kBmpPictureSize, "a picture of %s x %s pixels")                                                              \
  X(kBmpCompression, "%u-bit pixels with compression %u")                                                        \
  X(kBmpTopDownRunLength, "top-down rows with run-length coding")                                                \
  X(kLibraryDamaged, "SLI: Damaged library (%s): %s")                                                            \
  X(kLibraryDirectoryEnds, "the directory ends early")                                                           \
  X(kLibraryNameCut, "a name runs past the end of the file")                                                     \
  X(kLibraryNameDamaged, "a name cannot be unpacked")                                                            \
  X(kLibraryDataOutside, "the data of %s lies outside the file")                                                 \
  X(kLibrarySizeImpossible, "the size of %s cannot be true")                                                     \
  X(kLibraryCannotOpen, "SLI: Cannot open library (%s)")                                                         \
  X(kLibraryNotLibrary, "SLI: Not an image library (%s)")                                                        \
  X(kLibraryNameTooLong, "SLI: The name %s is too long for the library directory")                               \
  X(kLibraryFull, "SLI: The library is full (%s)")                                                               \
  X(kLibraryEntryTooLarge, "SLI: %s is too large for the library")                                               \
  X(kLibraryTooLarge, "SLI: The library would grow past 2 GB (%s)")                                              \
  X(kLibraryCannotWriteFile, "SLI: Cannot write %s")                                                             \
  X(kLibraryCannotWrite, "SLI: Cannot write the library (%s)")                                                   \
  X(kUnpackDataEnds, "SLI: Unpacking ERROR: the data ends after %u of %u bytes")                                 \
  X(kUnpackCodeAhead, "SLI: Unpacking ERROR %u>%u")                                                              \
  X(kUnpackCodeCircle, "SLI: Unpacking ERROR: code %u leads round in a circle")                                  \
  /* WAV files and samples. */                                                                                   \
  X(kWavCannotOpen, "Cannot open WAV file %s")                                                                   \
  X(kWavNotWav, "It is not WAV file %s")                                                                         \
  X(kWavCannotPlay, "Cannot play WAV file %s: %s")                                                               \
  X(kWavEncodingUnknown, "format %u is compressed or unknown; only PCM and float samples can be played")        \
  X(kWavNoChannels, "it has no channels")                                                                        \
  X(kWavBitsUnplayable, "%u-bit samples cannot be played")                                                       \
  X(kWavFloatBitsUnplayable, "%u-bit float samples cannot be played")                                            \
  X(kWavRateOutside, "its sample rate of %u Hz is outside %u to %u Hz")                                          \
  X(kWavTooLarge, "it is too large to convert")                                                                  \
  /* MIDI and the sound device. */                                                                               \
  X(kMidiOutNoSynthesizer,                                                                                       \
    "No MIDI synthesizer answers, so MIDI instruments are silent. Use a WAV instrument: play FILE.wav NOTE.")    \
  X(kMidiInOpen, "MIDI input: open, a MIDI keyboard on the first MIDI input plays")                              \
  X(kMidiInMissing, "MIDI input: no device, so only the computer keyboard plays")                                \
  X(kSoundLateTicks, "Sound output: %u late ticks (the device played silence while it waited)")                  \
  X(kMicrophoneOff, "Microphone: not listening")                                                                 \
  X(kMicrophoneNotes, "Microphone: listening for notes, level %d of 100")                                        \
  X(kMicrophoneClaps, "Microphone: listening for claps, level %d of 100")                                        \
  X(kMicrophoneFailed, "Microphone: cannot listen (%s)")                                                         \
  X(kSoundEnumerationFailed, "Direct Sound Enumeration failed")                                                  \
  X(kSoundCreationFailed, "Direct Sound Creation failed")                                                        \
  X(kSoundCooperativeLevelFailed, "SetCooperativeLevel failed")                                                  \
  X(kSoundParametersFailed, "Direct Sound Retrieve Parameters Failed")                                           \
  X(kSoundBufferFailed, "Init Direct Sound Buffer Failed")                                                       \
  X(kSoundCannotPlay, "Cannot Start Play")                                                                       \
  X(kSoundTimerFailed, "Cannot Init Timer")                                                                      \
  X(kSoundCannotLock, "Cannot Lock Sound Buffer")                                                                \
  X(kSoundCannotUnlock, "Cannot UnLock Sound Buffer")                                                            \
  /* Windows. */                                                                                                 \
  X(kAnimationTimerFailed, "Animation Window: Cannot Init Timer")                                                \
  X(kFolderWatchFailed, "Cannot watch the folder (%s) for changed lessons")                                      \
  X(kDibSectionEmpty, "AAAAA!!! (2) DIB section of Bitmap is empty")                                             \
  X(kShapeWithoutBitmap, "Window contains no bitmap")                                                            \
  /* The debug menu's object inspector. */                                                                       \
  X(kInspectorText, "OBJECT:%s\r\nX:%d\r\nY:%d\r\nVALUE:%s")                                                     \
  X(kInspectorUnknownKind, "unsupported type (%d)")                                                              \
  X(kInspectorLabel, "TEXT Label")                                                                               \
  X(kInspectorDiagram, "DIAGRAM")                                                                                \
  X(kInspectorPicture, "PICTURE")                                                                                \
  X(kInspectorAnimation, "ANIMATION")                                                                            \
  X(kInspectorButton, "BUTTON")                                                                                  \
  X(kInspectorField, "TEXT")

// X(name, text) for every name that the missing-variable message gives an item.
#define VELLARO_ITEM_NAMES(X)                     \
  X(kItemGoto, "goto")                            \
  X(kItemIf, "if")                                \
  X(kItemClear, "clear")                          \
  X(kItemRemove, "remove")                        \
  X(kItemDiscard, "discard")                      \
  X(kItemShow, "show")                            \
  X(kItemPreshowX, "preshow, X")                  \
  X(kItemPreshowY, "preshow, Y")                  \
  X(kItemPreshowFile, "preshow, filename")        \
  X(kItemPreshowName, "(pre)show, ObjName")       \
  X(kItemHide, "hide")                            \
  X(kItemMoveName, "move, ObjName")               \
  X(kItemMoveX, "move, X")                        \
  X(kItemMoveY, "move, Y")                        \
  X(kItemDragName, "drag: ObjName")               \
  X(kItemGetcoordName, "getcoord: ObjName")       \
  X(kItemGetsizeName, "getsize: ObjName")         \
  X(kItemPrintX, "print, X")                      \
  X(kItemPrintY, "print, Y")                      \
  X(kItemPrintText, "print, text")                \
  X(kItemPrintName, "print, ObjName")             \
  X(kItemFontSize, "font size")                   \
  X(kItemFontColour, "font color")                \
  X(kItemFontFace, "font face")                   \
  X(kItemFontCodepage, "font codepage")           \
  X(kItemGettext, "GetText")                      \
  X(kItemInputTime, "input, time")                \
  X(kItemPlayFile, "play, filename")              \
  X(kItemPlayNote, "play, note")                  \
  X(kItemPauseValue, "pause, value")              \
  X(kItemPauseMode, "pause, mode")                \
  X(kItemMelody, "melody")                        \
  X(kItemRdiagramX, "rdiagram, X")                \
  X(kItemRdiagramY, "rdiagram, Y")                \
  X(kItemRdiagramWidth, "rdiagram, width")        \
  X(kItemCheckLatency, "check latency")           \
  X(kItemCheckLog, "check log")                   \
  X(kItemPoke, "poke")                            \
  X(kItemLet, "let")                              \
  X(kItemMath, "math")                            \
  X(kItemEval, "eval")                            \
  X(kItemRandom, "random")                        \
  X(kItemInit, "init")                            \
  X(kItemInc, "inc")                              \
  X(kItemStore, "store")                          \
  X(kItemRestore, "restore")                      \
  X(kItemExists, "exists")                        \
  X(kItemSetdir, "set dir")                       \
  X(kItemExec, "exec")                            \
  X(kItemScreenWidth, "screen: width")            \
  X(kItemScreenColour, "screen: color")           \
  X(kItemScreenFrequency, "screen: frequency")

#define VELLARO_DEFINE_TEXT(name, text) inline constexpr char name[] = text;
VELLARO_MESSAGES(VELLARO_DEFINE_TEXT)
VELLARO_ITEM_NAMES(VELLARO_DEFINE_TEXT)
#undef VELLARO_DEFINE_TEXT

struct CatalogueEntry {
  const char* name;
  const char* text;
};

#define VELLARO_CATALOGUE_ENTRY(name, text) {#name, name},
inline constexpr CatalogueEntry kMessages[] = {VELLARO_MESSAGES(VELLARO_CATALOGUE_ENTRY)};
inline constexpr CatalogueEntry kItemNames[] = {VELLARO_ITEM_NAMES(VELLARO_CATALOGUE_ENTRY)};
#undef VELLARO_CATALOGUE_ENTRY

}  // namespace vellaro
