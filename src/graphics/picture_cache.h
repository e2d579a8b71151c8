// Decoded pictures kept while a series of runs plays the same game (the play-test): the same
// compressed file decodes to the same picture, so it is decoded once. Off unless turned on.
#pragma once

#include <cstddef>

namespace veloria {

// Turns the cache on or off; turning it off empties it.
void setPictureCacheEnabled(bool on);
// Pictures held now (tests).
size_t pictureCacheSize();

}  // namespace veloria
