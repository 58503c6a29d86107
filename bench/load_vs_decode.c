/* Loads the given Ogg Vorbis files the way the game does (SDL_mixer, into
   chunks at the mixer's format) and decodes the same files with
   libvorbisfile alone, alternately, in this one process.
   Usage: load_vs_decode REPEATS FILE...
   Prints one line a repeat: milliseconds for the mixer, for libvorbisfile. */
#include <SDL.h>
#include <SDL_mixer.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <vorbis/vorbisfile.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static double load_with_mixer(int count, char** files) {
  double start = now_ms();
  for (int i = 0; i < count; ++i) {
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromFile(files[i], "rb"), 1);
    if (chunk == NULL) {
      fprintf(stderr, "%s: %s\n", files[i], SDL_GetError());
      exit(1);
    }
    Mix_FreeChunk(chunk);
  }
  return now_ms() - start;
}

static double decode_with_vorbisfile(int count, char** files) {
  static char buffer[65536];
  double start = now_ms();
  for (int i = 0; i < count; ++i) {
    OggVorbis_File file;
    if (ov_fopen(files[i], &file) != 0) {
      fprintf(stderr, "%s: not Ogg Vorbis\n", files[i]);
      exit(1);
    }
    int section;
    while (ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section) > 0) {
    }
    ov_clear(&file);
  }
  return now_ms() - start;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int repeats = atoi(argv[1]);
  if (SDL_Init(SDL_INIT_AUDIO) == -1 || Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1) {
    fprintf(stderr, "%s\n", SDL_GetError());
    return 1;
  }
  for (int r = 0; r < repeats; ++r) {
    double mixer, vorbis;
    if (r % 2 == 0) {
      mixer = load_with_mixer(argc - 2, argv + 2);
      vorbis = decode_with_vorbisfile(argc - 2, argv + 2);
    } else {
      vorbis = decode_with_vorbisfile(argc - 2, argv + 2);
      mixer = load_with_mixer(argc - 2, argv + 2);
    }
    printf("%.2f %.2f\n", mixer, vorbis);
  }
  fflush(stdout);
  _Exit(0); /* skips tearing SDL down under the mixer thread */
}
