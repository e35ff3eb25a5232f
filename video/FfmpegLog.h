#pragma once

// Routes FFmpeg's own messages (decoder, encoder, muxer) into the program's log. Errors and
// worse are kept, each distinct message once per run, named after the FFmpeg part that said
// it: a damaged stream repeats the same complaint for every slice, and FFmpeg's warnings and
// notes are chatter. FFmpeg may call from any thread, its own included.
namespace FfmpegLog {

// Installs the route for the whole process; calls after the first do nothing. A stricter
// level set before (tools and tests quieten FFmpeg) stays.
void install();

} // namespace FfmpegLog
