#pragma once

// What the sound player uses of libsndfile and of PulseAudio's simple API.
// The libraries are opened by name at the first sound (an idle tray program
// has no use for them), and the package's dependencies are worked out from a
// program that links exactly these functions.
#define REKUDA31_SNDFILE_FUNCTIONS(X) X(sf_open_fd) X(sf_close) X(sf_readf_float)
#define REKUDA31_PULSE_FUNCTIONS(X)                                                                                    \
    X(pa_simple_new)                                                                                                   \
    X(pa_simple_free)                                                                                                  \
    X(pa_simple_write)                                                                                                 \
    X(pa_simple_drain)                                                                                                 \
    X(pa_simple_flush)                                                                                                 \
    X(pa_simple_get_latency)                                                                                           \
    X(pa_sample_spec_valid)                                                                                            \
    X(pa_channel_map_init_extend)                                                                                      \
    X(pa_usec_to_bytes)                                                                                                \
    X(pa_frame_size)

#define REKUDA31_SNDFILE_LIBRARY "libsndfile.so.1"
// It brings libpulse, which holds the sample-format helpers.
#define REKUDA31_PULSE_LIBRARY "libpulse-simple.so.0"
