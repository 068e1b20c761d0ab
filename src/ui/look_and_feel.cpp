#include "ui/look_and_feel.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "platform/fonts.h"
#include "ui/fonts.h"

namespace scf {
namespace {

ImVec4 rgba(int r, int g, int b, float a) {
  return ImVec4(static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
                static_cast<float>(b) / 255.0f, a);
}

void applyColours(ImGuiStyle& style) {
  ImVec4* c = style.Colors;
  const ImVec4 clear = rgba(0, 0, 0, 0);
  c[ImGuiCol_Text] = rgba(232, 239, 255, 1.0f);
  c[ImGuiCol_TextDisabled] = rgba(112, 129, 166, 1.0f);
  c[ImGuiCol_WindowBg] = clear;
  c[ImGuiCol_ChildBg] = clear;
  c[ImGuiCol_BorderShadow] = clear;
  c[ImGuiCol_ScrollbarBg] = clear;
  c[ImGuiCol_PopupBg] = rgba(6, 11, 32, 0.97f);
  c[ImGuiCol_Border] = rgba(140, 170, 255, 0.18f);
  c[ImGuiCol_Separator] = rgba(140, 170, 255, 0.18f);
  c[ImGuiCol_FrameBg] = rgba(30, 50, 120, 0.35f);
  c[ImGuiCol_Button] = rgba(30, 50, 120, 0.35f);
  c[ImGuiCol_FrameBgHovered] = rgba(50, 80, 170, 0.45f);
  c[ImGuiCol_ButtonHovered] = rgba(50, 80, 170, 0.45f);
  c[ImGuiCol_FrameBgActive] = rgba(70, 100, 200, 0.55f);
  c[ImGuiCol_ButtonActive] = rgba(70, 100, 200, 0.55f);
  c[ImGuiCol_ScrollbarGrab] = rgba(110, 140, 230, 0.5f);
  c[ImGuiCol_ScrollbarGrabHovered] = rgba(126, 166, 255, 0.7f);
  c[ImGuiCol_ScrollbarGrabActive] = rgba(183, 155, 255, 0.8f);
  c[ImGuiCol_CheckMark] = rgba(79, 224, 163, 1.0f);
  c[ImGuiCol_SliderGrab] = rgba(126, 166, 255, 1.0f);
  c[ImGuiCol_PlotHistogram] = rgba(126, 166, 255, 1.0f);
  c[ImGuiCol_SliderGrabActive] = rgba(183, 155, 255, 1.0f);
  c[ImGuiCol_Header] = rgba(183, 155, 255, 0.22f);
  c[ImGuiCol_HeaderHovered] = rgba(126, 166, 255, 0.28f);
  c[ImGuiCol_HeaderActive] = rgba(183, 155, 255, 0.4f);
  c[ImGuiCol_TextSelectedBg] = rgba(110, 150, 255, 0.4f);
  c[ImGuiCol_NavCursor] = rgba(185, 208, 255, 1.0f);
  c[ImGuiCol_ModalWindowDimBg] = rgba(1, 3, 10, 0.7f);
}

}  // namespace

void applyStyle() {
  ImGuiStyle& style = ImGui::GetStyle();
  const float s = uiScale;
  style.FontSizeBase = 20.0f * s;
  style.WindowPadding = ImVec2(0.0f, 0.0f);
  style.WindowRounding = 14.0f * s;
  style.WindowBorderSize = 0.0f;
  style.ChildRounding = 14.0f * s;
  style.PopupRounding = 12.0f * s;
  style.PopupBorderSize = 1.0f;
  style.FramePadding = ImVec2(14.0f * s, 9.0f * s);
  style.FrameRounding = 12.0f * s;
  style.FrameBorderSize = 1.0f;
  style.ItemSpacing = ImVec2(12.0f * s, 12.0f * s);
  style.ItemInnerSpacing = ImVec2(10.0f * s, 8.0f * s);
  style.ScrollbarSize = 12.0f * s;
  style.ScrollbarRounding = 10.0f * s;
  style.GrabRounding = 10.0f * s;
  style.SelectableTextAlign = ImVec2(0.0f, 0.5f);
  applyColours(style);
}

void configureNavigation() {
  ImGuiIO& io = ImGui::GetIO();
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
  // Escape and the pad's B go back; they never leave the page without a focused item.
  io.ConfigNavEscapeClearFocusItem = false;
  io.ConfigNavEscapeClearFocusWindow = false;
  // Ctrl+Tab and Ctrl+Shift+Tab switch the launcher's tabs, not the GUI library's windows.
  ImGuiContext& g = *GImGui;
  g.ConfigNavWindowingKeyNext = ImGuiKey_None;
  g.ConfigNavWindowingKeyPrev = ImGuiKey_None;
}

void applyLookAndFeel() {
  ImGuiIO& io = ImGui::GetIO();
  configureNavigation();
  io.IniFilename = nullptr;
  io.LogFilename = nullptr;
  loadFonts(fixedWidthFontPath());
  applyStyle();
}

}  // namespace scf
