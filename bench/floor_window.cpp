// The floor for start-up figures: the smallest SDL3 + Dear ImGui + OpenGL 3.3 window that presents
// one frame of text, then prints the monotonic time of that moment and exits. It asks for the
// same framebuffer as the launcher (3.3 core, double buffer, 4× multisampling), so the figures
// compare the programs, not the pixel formats.
#include <SDL3/SDL.h>
#include <SDL3/SDL_opengl.h>

#include <chrono>
#include <cstdio>

#include "bare_window.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "imgui_impl_sdl3.h"

int main() {
  BareWindow bare;
  if (!openBareWindow("floor", bare)) return 1;
  SDL_Window* window = bare.window;
  SDL_GLContext context = bare.context;
  auto clearColor = bare.clearColor;
  auto clear = bare.clear;
  for (int frame = 0; frame < 2; ++frame) {
    SDL_Event event;
    while (SDL_PollEvent(&event))
      ImGui_ImplSDL3_ProcessEvent(&event);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL3_NewFrame();
    ImGui::NewFrame();
    ImGui::Begin("floor");
    ImGui::Text("first frame");
    ImGui::End();
    ImGui::Render();
    clearColor(0, 0, 0, 1);
    clear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
  }
  const double now =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  std::printf("first-frame %.6f\n", now);
  std::fflush(stdout);
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL3_Shutdown();
  ImGui::DestroyContext();
  SDL_GL_DestroyContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
