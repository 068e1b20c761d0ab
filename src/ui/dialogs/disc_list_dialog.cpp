#include "ui/dialogs/disc_list_dialog.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>

#include "app/app.h"
#include "app/disc_actions.h"
#include "app/window.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "prepare/disc_check.h"
#include "prepare/disc_list.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/nav_keys.h"
#include "ui/palette.h"
#include "ui/widget_trace.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/text.h"

namespace scf {

namespace {

constexpr const char* kPopup = "##disc-list";
// The search whose results the focus was last moved to; the UI thread's alone.
bool focusPlaced = false;

// The text cut to fit `width` at this size, with "…" where it was cut: at the end, or at the
// start when the end matters more (a folder followed by the size and date).
std::string fitted(const std::string& text, float size, float width, bool keepEnd) {
  ImFont* font = textFont();
  const auto widthOf = [&](const std::string& part) {
    return font->CalcTextSizeA(size, FLT_MAX, 0.0f, part.c_str(), part.c_str() + part.size()).x;
  };
  if (widthOf(text) <= width) return text;
  static const std::string kEllipsis = "…";
  std::string kept = text;
  while (!kept.empty()) {
    // One whole UTF-8 character at a time.
    if (keepEnd) {
      std::size_t cut = 1;
      while (cut < kept.size() && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80)
        ++cut;
      kept.erase(0, cut);
    } else {
      std::size_t cut = kept.size() - 1;
      while (cut > 0 && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80)
        --cut;
      kept.erase(cut);
    }
    std::string shown = keepEnd ? kEllipsis + kept : kept + kEllipsis;
    if (widthOf(shown) <= width) return shown;
  }
  return kEllipsis;
}

// One line of a row, drawn without taking layout room (the row's selectable holds the room).
void rowText(ImVec2 at, float right, const std::string& text, float sizePt, std::uint32_t rgb,
             bool keepEnd) {
  const float size = sizePt * uiScale;
  const std::string shown = fitted(text, size, right - at.x, keepEnd);
  ImGui::GetWindowDrawList()->AddText(textFont(), size, at, withAlpha(rgb, 1.0f), shown.c_str(),
                                      shown.c_str() + shown.size());
}

// The rows of the images; returns the index of a picked one, or -1.
int drawRows(const DiscSearchResult& result, float width, float height) {
  const float s = uiScale;
  int picked = -1;
  ImGui::BeginChild("##disc-rows", ImVec2(width, height), ImGuiChildFlags_NavFlattened);
  const float rowHeight = 58.0f * s;
  for (std::size_t i = 0; i < result.discs.size(); ++i) {
    const FoundDisc& disc = result.discs[i];
    ImGui::PushID(static_cast<int>(i));
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const bool pressed = ImGui::Selectable("##disc", false, ImGuiSelectableFlags_NoAutoClosePopups,
                                           ImVec2(0.0f, rowHeight));
    if (pressed) picked = static_cast<int>(i);
    traceNamedItem(disc.name, pressed);
    // When the images arrive the focus goes to the newest: one press picks it.
    if (!focusPlaced && i == 0) {
      ImGui::SetFocusID(ImGui::GetItemID(), ImGui::GetCurrentWindow());
      focusPlaced = true;
    }
    const float right = ImGui::GetItemRectMax().x - 12.0f * s;
    rowText(ImVec2(at.x + 12.0f * s, at.y + 7.0f * s), right, disc.name, 19.0f, colText, false);
    const std::string detail =
        disc.folder + "  ·  " + discSizeText(disc.size) + "  ·  " + discDateText(disc.modified);
    rowText(ImVec2(at.x + 12.0f * s, at.y + 32.0f * s), right, detail, 15.0f, colMuted, true);
    ImGui::PopID();
  }
  ImGui::EndChild();
  return picked;
}

void drawSearching(App& app) {
  const float s = uiScale;
  const ImVec2 at = ImGui::GetCursorScreenPos();
  spinner(ImVec2(at.x + 14.0f * s, at.y + 14.0f * s), 11.0f, app.animTime);
  ImGui::SetCursorScreenPos(ImVec2(at.x + 40.0f * s, at.y + 2.0f * s));
  label(tr("Searching…", "Recherche…"), 20.0f, colText);
}

void drawNothingFound(const DiscSearchResult& result) {
  paragraph(tr("No disc image (.iso, .bin, .cue) was found. The launcher looked in:",
               "Aucune image disque (.iso, .bin, .cue) n'a été trouvée. Le lanceur a cherché "
               "dans :"),
            18.0f, colText);
  for (const std::string& place : result.places)
    label(place.c_str(), 15.0f, colMuted);
  gap(4.0f);
  paragraph(tr("You can still select the image with the file dialog.",
               "Vous pouvez encore choisir l'image avec la fenêtre de choix de fichier."),
            17.0f, colMuted);
}

}  // namespace

std::string discSizeText(std::uint64_t bytes) {
  char text[64];
  const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
  if (mib < 1.0) {
    std::snprintf(text, sizeof text, tr("%llu KB", "%llu Ko"),
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  } else if (mib < 1024.0) {
    std::snprintf(text, sizeof text, tr("%.0f MB", "%.0f Mo"), mib);
  } else {
    std::snprintf(text, sizeof text, tr("%.1f GB", "%.1f Go"), mib / 1024.0);
    if (uiFrench) std::replace(text, text + sizeof text, '.', ',');
  }
  return text;
}

std::string discDateText(std::int64_t secondsSince1970) {
  // Days to a civil date (Howard Hinnant's algorithm), in UTC: a day is all the list needs.
  std::int64_t days = secondsSince1970 / 86400;
  if (secondsSince1970 % 86400 < 0) --days;
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[80];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day));
  return text;
}

void drawDiscListDialog(App& app) {
  const float s = uiScale;
  DiscList& list = app.discList;
  if (!list.open) return;
  if (!ImGui::IsPopupOpen(kPopup)) {
    ImGui::OpenPopup(kPopup);
    focusPlaced = false;
  }
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  const float width = std::min(860.0f * s, display.x - 80.0f * s);
  ImGui::SetNextWindowPos(ImVec2(display.x / 2.0f, display.y / 2.0f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(width, 0.0f));
  if (!ImGui::BeginPopupModal(kPopup, nullptr,
                              ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize)) {
    return;
  }
  const float inner = width - 56.0f * s;
  heading(tr("Disc images on this computer", "Images disque sur cet ordinateur"), colText);
  gap(6.0f);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + inner);
  int picked = -1;
  if (list.searching) {
    drawSearching(app);
  } else if (list.result.discs.empty()) {
    drawNothingFound(list.result);
  } else {
    // The list scrolls inside the dialog, which keeps clear of the window's edges.
    const float rows = static_cast<float>(list.result.discs.size()) * 62.0f * s;
    const float room = std::max(display.y - 360.0f * s, 120.0f * s);
    picked = drawRows(list.result, inner, std::min(rows, room));
    if (list.result.cutShort) {
      label(tr("The search stopped early: some folders were not looked in.",
               "La recherche s'est arrêtée tôt : certains dossiers n'ont pas été parcourus."),
            15.0f, colMuted);
    }
  }
  if (list.pickRefused && app.refusal.active) {
    gap(6.0f);
    noticeBox(refusalText(app.refusal).c_str(), nullptr, colWarn, inner);
  }
  ImGui::PopTextWrapPos();
  gap(10.0f);
  const bool browse =
      button(tr("Select your disc image…##disc-list", "Choisir votre image disque…##disc-list"),
             ImVec2(0.0f, 44.0f * s), ButtonStyle::secondary, true, 18.0f);
  ImGui::SameLine(0.0f, 12.0f * s);
  const bool close = button(tr("Close##disc-list", "Fermer##disc-list"),
                            ImVec2(160.0f * s, 44.0f * s), ButtonStyle::secondary, true, 18.0f);
  if (list.searching || list.result.discs.empty()) ImGui::SetItemDefaultFocus();
  if (picked >= 0) pickDiscFromList(app, static_cast<std::size_t>(picked));
  if (browse) {
    app.discList.hide();
    chooseDisc(app);
  } else if (close || backPressed()) {
    app.discList.hide();
  }
  if (!list.open) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

}  // namespace scf
