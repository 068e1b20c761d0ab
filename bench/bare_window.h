// The floor the benchmarks compare the launcher with: a bare SDL3 + Dear ImGui + OpenGL 3.3
// window asking for the launcher's framebuffer (3.3 core, double buffer, 4× multisampling,
// vertical sync), so the figures compare the programs, not the pixel formats.
#pragma once

#include <SDL3/SDL.h>
#include <SDL3/SDL_opengl.h>

#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "imgui_impl_sdl3.h"

struct BareWindow {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  void(APIENTRY* clearColor)(GLfloat, GLfloat, GLfloat, GLfloat) = nullptr;
  void(APIENTRY* clear)(GLbitfield) = nullptr;
};

// Opens the window with its GUI; false when SDL or OpenGL cannot start.
inline bool openBareWindow(const char* title, BareWindow& bare) {
  if (!SDL_Init(SDL_INIT_VIDEO)) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 4);
  bare.window = SDL_CreateWindow(title, 1120, 760, SDL_WINDOW_OPENGL);
  bare.context = bare.window ? SDL_GL_CreateContext(bare.window) : nullptr;
  if (!bare.context) return false;
  SDL_GL_MakeCurrent(bare.window, bare.context);
  SDL_GL_SetSwapInterval(1);
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;
  ImGui_ImplSDL3_InitForOpenGL(bare.window, bare.context);
  ImGui_ImplOpenGL3_Init("#version 330");
  bare.clearColor = reinterpret_cast<void(APIENTRY*)(GLfloat, GLfloat, GLfloat, GLfloat)>(
      SDL_GL_GetProcAddress("glClearColor"));
  bare.clear = reinterpret_cast<void(APIENTRY*)(GLbitfield)>(SDL_GL_GetProcAddress("glClear"));
  return true;
}
