#include "fenetre/palette.h"

// The entries themselves are defined with the other start-up objects, in
// their order, in appli/statics_win.cpp.

template <class H>
static void Supprime(H& h) {
  if (h) DeleteObject(h);
  h = nullptr;
}

// Each entry is cleared once released, so a second release does nothing.
// FondFille and FondPrincipale hold system colour indexes, not GDI objects:
// there is nothing to release there and they keep their values for any later
// class registration.
void PALETTE::LiberePalette() {
  Supprime(PinceauFond);
  Supprime(PinceauControle);
  Supprime(PinceauOmbre);
  Supprime(PinceauLumiere);
  Supprime(PinceauNoir);
  Supprime(PinceauRouge);
  Supprime(PinceauBleu);
  Supprime(PinceauVert);
  if (IconePrincipale) DestroyIcon(IconePrincipale);
  IconePrincipale = nullptr;
  if (IconeFille) DestroyIcon(IconeFille);
  IconeFille = nullptr;
  if (Curseur) DestroyCursor(Curseur);
  Curseur = nullptr;
  Supprime(CrayonFace);
  Supprime(CrayonOmbre);
  Supprime(CrayonOmbre2);
  Supprime(CrayonFaceSys);
  Supprime(CrayonFace2);
  Supprime(CrayonLumiere);
  Supprime(CrayonLumiere2);
  Supprime(CrayonBlanc);
  Supprime(CrayonNoir);
  Supprime(CrayonNoirFin);
}

// A colour of 0 (black) counts as not set and leaves the context's colour.
LRESULT PALETTE::CouleursControle(HDC dc) {
  if (CouleurTexte) SetTextColor(dc, CouleurTexte);
  if (CouleurFondTexte) SetBkColor(dc, CouleurFondTexte);
  return reinterpret_cast<LRESULT>(PinceauControle);
}

UINT_PTR CALLBACK PALETTE::CommDlgHook(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_CTLCOLORDLG: return reinterpret_cast<UINT_PTR>(PinceauFond);
    case WM_CTLCOLORSTATIC:
      return (UINT_PTR)CouleursControle(reinterpret_cast<HDC>(wParam));
    default: return 0;
  }
}
