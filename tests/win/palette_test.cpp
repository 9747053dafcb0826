// The drawing resources built at start-up, their release, and the hook that
// lends their colours to common dialogs.
#include <gtest/gtest.h>
#include <windows.h>

#include "fenetre/palette.h"

namespace {

struct Entree {
  const char* nom;
  HGDIOBJ* objet;
  DWORD type;  // GetObjectType while alive
};

#define BROSSE(n) {#n, reinterpret_cast<HGDIOBJ*>(&PALETTE::n), OBJ_BRUSH}
#define CRAYON(n) {#n, reinterpret_cast<HGDIOBJ*>(&PALETTE::n), OBJ_PEN}

const Entree GDI[] = {
    BROSSE(PinceauFond),    BROSSE(PinceauOmbre),   BROSSE(PinceauLumiere), BROSSE(PinceauRouge),
    BROSSE(PinceauBleu),    BROSSE(PinceauVert),    BROSSE(PinceauControle), BROSSE(PinceauNoir),
    CRAYON(CrayonFace),     CRAYON(CrayonOmbre),    CRAYON(CrayonOmbre2),   CRAYON(CrayonFaceSys),
    CRAYON(CrayonFace2),    CRAYON(CrayonLumiere),  CRAYON(CrayonLumiere2), CRAYON(CrayonBlanc),
    CRAYON(CrayonNoir),     CRAYON(CrayonNoirFin),
};

COLORREF CouleurBrosse(HGDIOBJ h) {
  LOGBRUSH lb = {};
  GetObjectA(h, sizeof lb, &lb);
  return lb.lbColor;
}

LOGPEN Crayon(HGDIOBJ h) {
  LOGPEN lp = {};
  GetObjectA(h, sizeof lp, &lp);
  return lp;
}

// Runs first: the other tests release the palette.
TEST(Palette, BuiltAtStartUp) {
  for (const Entree& e : GDI) EXPECT_EQ(GetObjectType(*e.objet), e.type) << e.nom;
  EXPECT_EQ(PALETTE::CouleurFace, GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(PALETTE::CouleurFondTexte, PALETTE::CouleurFace);
  EXPECT_EQ(PALETTE::CouleurTexte, GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(CouleurBrosse(PALETTE::PinceauRouge), 0x000000FFu);
  EXPECT_EQ(CouleurBrosse(PALETTE::PinceauBleu), 0x00FF0000u);
  EXPECT_EQ(CouleurBrosse(PALETTE::PinceauVert), 0x0000FF00u);
  EXPECT_EQ(CouleurBrosse(PALETTE::PinceauNoir), 0u);
  EXPECT_EQ(CouleurBrosse(PALETTE::PinceauControle), PALETTE::CouleurFace);
  struct Cas {
    HPEN crayon;
    LONG largeur;
    COLORREF couleur;
  } crayons[] = {
      {PALETTE::CrayonOmbre2, 2, GetSysColor(COLOR_BTNSHADOW)},
      {PALETTE::CrayonBlanc, 1, 0x00FFFFFF},
      {PALETTE::CrayonNoirFin, 0, 0},
      {PALETTE::CrayonFace, 1, PALETTE::CouleurFace},
  };
  for (const Cas& k : crayons) {
    LOGPEN lp = Crayon(k.crayon);
    EXPECT_EQ(lp.lopnStyle, (UINT)PS_SOLID);
    EXPECT_EQ(lp.lopnWidth.x, k.largeur);
    EXPECT_EQ(lp.lopnColor, k.couleur);
  }
  EXPECT_NE(PALETTE::IconePrincipale, nullptr);
  EXPECT_NE(PALETTE::IconeFille, nullptr);
  EXPECT_NE(PALETTE::Curseur, nullptr);
  EXPECT_EQ(PALETTE::FondFille, 6);
  EXPECT_EQ(PALETTE::FondPrincipale, 13);
}

TEST(Palette, HookLendsTheColoursToCommonDialogs) {
  HDC dc = CreateCompatibleDC(nullptr);
  COLORREF texte = PALETTE::CouleurTexte, fond = PALETTE::CouleurFondTexte;
  PALETTE::CouleurTexte = 0x010203;
  PALETTE::CouleurFondTexte = 0x040506;
  struct Cas {
    UINT message;
    UINT_PTR attendu;
    COLORREF texte;
  } cas[] = {
      {WM_CTLCOLORDLG, reinterpret_cast<UINT_PTR>(PALETTE::PinceauFond), 0x0000AA},
      {WM_CTLCOLORSTATIC, reinterpret_cast<UINT_PTR>(PALETTE::PinceauControle), 0x010203},
      {WM_CTLCOLORBTN, 0, 0x0000AA},
      {WM_CTLCOLOREDIT, 0, 0x0000AA},
      {WM_INITDIALOG, 0, 0x0000AA},
      {WM_USER, 0, 0x0000AA},
  };
  for (const Cas& k : cas) {
    SetTextColor(dc, 0x0000AA);
    EXPECT_EQ(PALETTE::CommDlgHook(nullptr, k.message, reinterpret_cast<WPARAM>(dc), 0),
              k.attendu)
        << k.message;
    EXPECT_EQ(GetTextColor(dc), k.texte) << k.message;
  }
  // Black counts as not set.
  PALETTE::CouleurTexte = 0;
  SetTextColor(dc, 0x0000AA);
  PALETTE::CommDlgHook(nullptr, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(GetTextColor(dc), 0x0000AAu);
  EXPECT_EQ(GetBkColor(dc), 0x040506u);
  PALETTE::CouleurTexte = texte;
  PALETTE::CouleurFondTexte = fond;
  DeleteDC(dc);
}

TEST(Palette, ReleasedOnceThenNothingMore) {
  HGDIOBJ avant[sizeof GDI / sizeof GDI[0]];
  for (size_t i = 0; i < sizeof GDI / sizeof GDI[0]; ++i) avant[i] = *GDI[i].objet;
  // An entry already 0 is skipped; the others are released and cleared.
  HBRUSH garde = PALETTE::PinceauVert;
  PALETTE::PinceauVert = nullptr;
  PALETTE::LiberePalette();
  for (size_t i = 0; i < sizeof GDI / sizeof GDI[0]; ++i) {
    EXPECT_EQ(*GDI[i].objet, nullptr) << GDI[i].nom;
    if (avant[i] != garde) {
      EXPECT_EQ(GetObjectType(avant[i]), 0u) << GDI[i].nom;
    }
  }
  EXPECT_EQ(GetObjectType(garde), (DWORD)OBJ_BRUSH);
  EXPECT_EQ(PALETTE::IconePrincipale, nullptr);
  EXPECT_EQ(PALETTE::IconeFille, nullptr);
  EXPECT_EQ(PALETTE::Curseur, nullptr);
  // The class backgrounds are system colour indexes and stay.
  EXPECT_EQ(PALETTE::FondFille, 6);
  EXPECT_EQ(PALETTE::FondPrincipale, 13);

  // A second release must not touch objects created since, whatever handles
  // they were given.
  HBRUSH neuves[16];
  for (HBRUSH& b : neuves) b = CreateSolidBrush(0x112233);
  PALETTE::LiberePalette();
  for (HBRUSH b : neuves) {
    EXPECT_EQ(GetObjectType(b), (DWORD)OBJ_BRUSH);
    DeleteObject(b);
  }
  DeleteObject(garde);
}

}  // namespace
