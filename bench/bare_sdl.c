/* The floor for the game's start-up: SDL alone opening the video mode and
   the audio the game opens, then one sound at once, as the menu's first
   pass does with its music. Same settings as the game's platform. */
#include <SDL.h>
#include <SDL_mixer.h>
#include <stdlib.h>

int main(void) {
  setenv("SDL_RENDER_DRIVER", "software", 0);
  setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
  if (SDL_Init(SDL_INIT_VIDEO) == -1) return 1;
  SDL_ShowCursor(0);
  SDL_Surface* screen = SDL_SetVideoMode(800, 600, 16, SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
  if (screen == NULL) return 1;
  SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 0, 0, 0));
  if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1) return 1;
  static Sint16 click[4096];
  for (int i = 0; i < 4096; ++i) click[i] = (Sint16)(i % 64 < 32 ? 4000 : -4000);
  Mix_Chunk* chunk = Mix_QuickLoad_RAW((Uint8*)click, sizeof click);
  Mix_PlayChannel(-1, chunk, 0);
  for (Uint32 end = SDL_GetTicks() + 1000; SDL_GetTicks() < end;) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    SDL_Delay(1);
  }
  _Exit(0); /* skips tearing SDL down under the mixer thread */
}
