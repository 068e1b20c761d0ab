#include "scene.h"

#include <cmath>
#include <numbers>

namespace scf_demo {

namespace {

SDL_Texture* upload(SDL_Renderer* renderer, const Texture& texture) {
  SDL_Texture* result =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC,
                        int(texture.width), int(texture.height));
  if (!result) return nullptr;
  SDL_UpdateTexture(result, nullptr, texture.pixels.data(), int(texture.width * 4));
  SDL_SetTextureBlendMode(result, SDL_BLENDMODE_BLEND);
  SDL_SetTextureScaleMode(result, SDL_SCALEMODE_NEAREST);
  return result;
}

}  // namespace

Scene::~Scene() {
  if (floor_) SDL_DestroyTexture(floor_);
  for (SDL_Texture* car : cars_)
    SDL_DestroyTexture(car);
}

void Scene::load(SDL_Renderer* renderer, const DiscTextures& textures) {
  if (!textures.arenas.empty()) floor_ = upload(renderer, textures.arenas.front());
  for (const Texture& car : textures.cars) {
    if (SDL_Texture* uploaded = upload(renderer, car)) cars_.push_back(uploaded);
  }
}

void Scene::draw(SDL_Renderer* renderer, double seconds, int width, int height) const {
  SDL_SetRenderDrawColor(renderer, 18, 22, 34, 255);
  SDL_RenderClear(renderer);

  // The floor scrolls slowly under the cars.
  const float tile = 96.0f;
  const float shift = std::fmod(float(seconds) * 20.0f, tile);
  for (float y = -tile + shift; y < float(height); y += tile) {
    for (float x = -tile + shift; x < float(width); x += tile) {
      const SDL_FRect cell{x, y, tile - 2, tile - 2};
      if (floor_) {
        SDL_RenderTexture(renderer, floor_, nullptr, &cell);
      } else {
        SDL_SetRenderDrawColor(renderer, 44, 52, 70, 255);
        SDL_RenderFillRect(renderer, &cell);
      }
    }
  }

  // Cars on an oval track, each a little behind the one before.
  const int count = cars_.empty() ? 4 : int(cars_.size());
  const float cx = width * 0.5f;
  const float cy = height * 0.55f;
  const float rx = width * 0.36f;
  const float ry = height * 0.28f;
  const float size = std::max(24.0f, std::min(width, height) * 0.09f);
  for (int i = 0; i < count; ++i) {
    const double angle = seconds * (0.8 + 0.07 * i) + i * 2.0 * std::numbers::pi / count;
    const float x = cx + rx * float(std::cos(angle));
    const float y = cy + ry * float(std::sin(angle));
    const SDL_FRect body{x - size / 2, y - size / 2, size, size};
    const double heading =
        std::atan2(ry * std::cos(angle), -rx * std::sin(angle)) * 180.0 / std::numbers::pi;
    if (!cars_.empty()) {
      SDL_RenderTextureRotated(renderer, cars_[i], nullptr, &body, heading + 90.0, nullptr,
                               SDL_FLIP_NONE);
    } else {
      SDL_SetRenderDrawColor(renderer, Uint8(200 - 30 * i), Uint8(80 + 40 * i), 90, 255);
      SDL_RenderFillRect(renderer, &body);
    }
  }

  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 170);
  SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
  const SDL_FRect banner{0, 0, float(width), 34};
  SDL_RenderFillRect(renderer, &banner);
  SDL_SetRenderDrawColor(renderer, 232, 239, 255, 255);
  SDL_RenderDebugText(renderer, 10, 7, "SCRAPFURY - demo stand-in game");
  SDL_SetRenderDrawColor(renderer, 154, 172, 207, 255);
  SDL_RenderDebugText(renderer, 10, 20,
                      "The real game is recompiled from your disc. F2: window size. Esc quits.");
}

}  // namespace scf_demo
