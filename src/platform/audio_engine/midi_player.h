/// @file
/// Music from standard MIDI files: a loader that reads a file whole from its
/// search directory into a segment, and a player that plays one segment at a
/// time, through the sequencer, on a General MIDI synthesizer (FluidSynth, see
/// general_midi_synth.h) into the mixer. Whether a segment plays is timed by the
/// frames the mixer has rendered since it started, against the time of its last
/// event. Needs the mixer, the sequencer and the synthesizer; the sound font
/// comes from V17_SOUNDFONT or the system's usual places, and without one the
/// music is silent but timed the same.
/// @ingroup music
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_engine/midi_sequencer.h"
#include "platform/audio_engine/mixer.h"
#include "platform/formats/midi_file.h"

/// @addtogroup music
/// @{

/// a call's result: 0 or positive for success, negative for an error
using HRESULT = std::int32_t;

/// success
constexpr HRESULT S_OK = 0;
/// success, and the answer is no
constexpr HRESULT S_FALSE = 1;
/// the file is missing, not a regular file or cannot be read
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
/// a name that is absolute or leaves the search directory
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
/// a null pointer
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
/// a bad argument, or a file that is not a standard MIDI file
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
/// no memory
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

class MidiPlayer;

/// Where one start of a segment has got to.
struct MidiSegmentState {
    std::uint64_t frames_played;  ///< output frames rendered since the start
    std::uint64_t end_frames;     ///< frames from the start to the last event
};

/// One loaded standard MIDI file.
class MidiSegment {
public:
    /// what the file holds: format, tracks, division, time of the last event
    const MidiFileInfo& info() const { return info_; }
    /// the file's bytes as read
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    /// stops the segment if it plays and frees it; 0
    std::uint32_t release();

private:
    friend class MidiLoader;
    friend class MidiPlayer;
    MidiSegment(std::vector<std::uint8_t> bytes, MidiFileInfo info)
        : bytes_(std::move(bytes)), info_(std::move(info)) {}

    std::vector<std::uint8_t> bytes_;
    MidiFileInfo info_;
    MidiSegmentState state_{};
    MidiPlayer* player_ = nullptr;  // the player while this segment is its current one
};

/// Reads MIDI files from one directory.
class MidiLoader {
public:
    /// file names are taken relative to dir from now on; S_OK, or E_INVALIDARG for null
    HRESULT set_search_directory(const char* dir);
    /// reads the named file whole (at most 16 MiB) and checks it as a standard
    /// MIDI file; S_OK with the new segment, E_ACCESSDENIED for a name that is
    /// absolute or leaves the search directory on the way, E_FAIL for a file that
    /// is missing, not a regular file or cannot be read, E_INVALIDARG for a null
    /// or empty name or a file that is not a standard MIDI file; refusal() says why
    HRESULT get_object(const char* file_name, MidiSegment** out);
    /// why the last get_object failed, short enough for a log line; empty after a success
    const std::string& refusal() const { return refusal_; }
    /// frees the loader (the segments it made live on); 0
    std::uint32_t release();

private:
    friend HRESULT midi_loader_create(MidiLoader**);
    MidiLoader() = default;
    std::string directory_;
    std::string refusal_;
};

/// Plays one segment at a time.
class MidiPlayer final : public MixerInput {
public:
    /// starts segment from its beginning on the synthesizer in its first state,
    /// stopping whatever played; S_OK, or E_POINTER for null
    HRESULT play_segment(MidiSegment* segment, MidiSegmentState** state);
    /// stops segment when it is the one that plays (null: whatever plays); its
    /// notes are released and the sustain pedal lifted; S_OK
    HRESULT stop(MidiSegment* segment);
    /// S_OK while segment (null: any) plays, started and its last event not yet
    /// reached by the output; S_FALSE otherwise
    HRESULT is_playing(const MidiSegment* segment);
    /// the sound font in use, empty when none was found
    const std::string& sound_font() const { return sound_font_; }
    /// stops everything, frees the synthesizer and the player, lets the output go; 0
    std::uint32_t release();

    void mix_into(float* out, int frames, int rate) override;

private:
    friend HRESULT midi_player_create(MidiPlayer**);
    friend class MidiSegment;
    MidiPlayer() = default;
    ~MidiPlayer() override = default;
    void open_synth(int rate);
    void stop_locked();

    MidiSynth* synth_ = nullptr;  // the synthesizer with the sound font; null without one
    MidiSequencer sequencer_;     // the current segment's playing
    MidiSegment* current_ = nullptr;
    std::string sound_font_;
};

/// makes a loader with no search directory; S_OK, or E_POINTER for null
HRESULT midi_loader_create(MidiLoader** out);
/// makes the player on the mixer's output and loads the sound font; S_OK, or
/// E_POINTER for null
HRESULT midi_player_create(MidiPlayer** out);
/// the General MIDI sound font to use: V17_SOUNDFONT when it names a readable
/// file, else the first readable one of the usual places (skipped when
/// V17_SOUNDFONT_DEFAULTS is "0", for runs without any font); empty for none
std::string find_sound_font();

/// @}
