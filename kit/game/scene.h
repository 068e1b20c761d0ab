#pragma once

#include <SDL3/SDL.h>

#include <vector>

#include "disc_textures.h"

namespace scf_demo {

// The moving picture: an arena floor from the disc's textures with cars driving around it.
class Scene {
 public:
  ~Scene();
  // Uploads the textures; without any, plain colours stand in for them.
  void load(SDL_Renderer* renderer, const DiscTextures& textures);
  void draw(SDL_Renderer* renderer, double seconds, int width, int height) const;

 private:
  SDL_Texture* floor_ = nullptr;
  std::vector<SDL_Texture*> cars_;
};

}  // namespace scf_demo
