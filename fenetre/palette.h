// Drawing resources shared by every window and dialog of the process.
#pragma once
#include <windows.h>

class PALETTE {
 public:
  static COLORREF CouleurFace;
  static HBRUSH PinceauFond;
  static HBRUSH PinceauOmbre;
  static HBRUSH PinceauLumiere;
  static HBRUSH PinceauRouge;
  static HBRUSH PinceauBleu;
  static HBRUSH PinceauVert;
  static HBRUSH PinceauControle;
  static HBRUSH PinceauNoir;
  static COLORREF CouleurTexte;
  static COLORREF CouleurFondTexte;
  static HICON IconePrincipale;
  static HICON IconeFille;
  static HCURSOR Curseur;
  static HPEN CrayonFace;
  static HPEN CrayonOmbre;
  static HPEN CrayonOmbre2;
  static HPEN CrayonFaceSys;
  static HPEN CrayonFace2;
  static HPEN CrayonLumiere;
  static HPEN CrayonLumiere2;
  static HPEN CrayonBlanc;
  static HPEN CrayonNoir;
  static HPEN CrayonNoirFin;

  // Class backgrounds as WNDCLASSA takes a system colour: index + 1.
  static INT_PTR FondFille;       // COLOR_WINDOW + 1
  static INT_PTR FondPrincipale;  // COLOR_APPWORKSPACE + 1

  static void LiberePalette();
  // Text colours of a control's device context; answers PinceauControle.
  static LRESULT CouleursControle(HDC dc);
  static UINT_PTR CALLBACK CommDlgHook(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
};
