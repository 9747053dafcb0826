// The objects built at start-up, in one translation unit so that their order
// is the order of definition: "Groupe des BMPs", the memory zone, the log
// receiver, then the 24 palette entries.
#include "appli/appmsg.h"
#include "archive/ctmem.h"
#include "fenetre/objet.h"
#include "fenetre/palette.h"

AUTO_OBJET g_groupeDesBmps(nullptr, "Groupe des BMPs");
CtDynMemZone g_memZone;
HWND_REC_LOG g_recepteurLog("VndPassLogMess");

COLORREF PALETTE::CouleurFace = GetSysColor(COLOR_BTNFACE);
HBRUSH PALETTE::PinceauFond = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
HBRUSH PALETTE::PinceauOmbre = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
HBRUSH PALETTE::PinceauLumiere = CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT));
HBRUSH PALETTE::PinceauRouge = CreateSolidBrush(0x000000FF);
HBRUSH PALETTE::PinceauBleu = CreateSolidBrush(0x00FF0000);
HBRUSH PALETTE::PinceauVert = CreateSolidBrush(0x0000FF00);
HBRUSH PALETTE::PinceauControle = CreateSolidBrush(PALETTE::CouleurFace);
HBRUSH PALETTE::PinceauNoir = CreateSolidBrush(0);
COLORREF PALETTE::CouleurTexte = GetSysColor(COLOR_BTNTEXT);
COLORREF PALETTE::CouleurFondTexte = PALETTE::CouleurFace;
HICON PALETTE::IconePrincipale = LoadIconA(nullptr, IDI_APPLICATION);
HICON PALETTE::IconeFille = LoadIconA(nullptr, IDI_APPLICATION);
HCURSOR PALETTE::Curseur = LoadCursorA(nullptr, IDC_ARROW);
HPEN PALETTE::CrayonFace = CreatePen(PS_SOLID, 1, PALETTE::CouleurFace);
HPEN PALETTE::CrayonOmbre = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
HPEN PALETTE::CrayonOmbre2 = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNSHADOW));
HPEN PALETTE::CrayonFaceSys = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
HPEN PALETTE::CrayonFace2 = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNFACE));
HPEN PALETTE::CrayonLumiere = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
HPEN PALETTE::CrayonLumiere2 = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNHIGHLIGHT));
HPEN PALETTE::CrayonBlanc = CreatePen(PS_SOLID, 1, 0x00FFFFFF);
HPEN PALETTE::CrayonNoir = CreatePen(PS_SOLID, 1, 0);
HPEN PALETTE::CrayonNoirFin = CreatePen(PS_SOLID, 0, 0);

INT_PTR PALETTE::FondFille = COLOR_WINDOW + 1;
INT_PTR PALETTE::FondPrincipale = COLOR_APPWORKSPACE + 1;
