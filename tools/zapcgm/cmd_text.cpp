// zapcgm info and dump: what the loader made of a picture, as a summary and
// as the line-per-item regression format.
#include <cstdio>

#include "common/tool.h"
#include "zapcgm.h"

// A filled primitive with three or more fill vertices and no triangles is one
// whose ear clipping gave up (fewer than three vertices never triangulate).
static bool fill_gave_up(const cgm_prim* p) {
  if (!(p->drawflags & CGM_FILL) || p->ntri > 0) return false;
  int32_t m = p->nvert;
  const int32_t* v = p->vert;
  if (m > 1 && v[0] == v[2 * (m - 1)] && v[1] == v[2 * (m - 1) + 1]) m--;
  return m >= 3;
}

int zapcgm_info(const zapcgm_args& args) {
  cgm_picture* pic = zapcgm_load(args.in);
  if (!pic) return 1;
  const cgm_loadinfo li = cgm_lastload;
  int32_t kinds[4] = {}, nprim = 0;
  int64_t nvert = 0, ntri = 0;
  for (const cgm_prim* p = pic->prims; p; p = p->next) {
    kinds[p->drawflags & 3]++;
    nprim++;
    nvert += p->nvert;
    ntri += p->ntri;
  }
  std::printf("file %s\n", args.in);
  std::printf("colours %d\n", pic->ncolr);
  if (li.hasback)
    std::printf("background 0x%06x\n", static_cast<unsigned>(pic->backcolr));
  else
    std::printf("background none\n");
  std::printf("primitives %d: outline only %d, fill only %d, both %d, neither %d\n", nprim, kinds[CGM_OUTLINE],
              kinds[CGM_FILL], kinds[CGM_OUTLINE | CGM_FILL], kinds[0]);
  std::printf("vertices %lld\n", static_cast<long long>(nvert));
  std::printf("triangles %lld\n", static_cast<long long>(ntri));
  std::printf("fill given up %d:", li.gaveup);
  int32_t i = 0;
  for (const cgm_prim* p = pic->prims; p; p = p->next, i++)
    if (fill_gave_up(p)) std::printf(" %d", i);
  std::printf("\n");
  std::printf("box x %d..%d y %d..%d (file units)\n", li.minx, li.maxx, li.miny, li.maxy);
  std::printf("centre %d %d half-extent %d\n", li.cx, li.cy, li.half);
  std::printf("malformed items %d\n", li.malformed);
  cgm_free(pic);
  return 0;
}

int zapcgm_dump(const zapcgm_args& args) {
  cgm_picture* pic = cgm_load(args.in);
  if (!pic) {
    std::printf("error %s\n", cgm_errorstr);
    tool_error("%s: %s", args.in, cgm_errorstr);
    return 1;
  }
  std::printf("picture %d %d\n", pic->ncolr, pic->backcolr);
  for (int32_t k = 1; k <= pic->ncolr; k++) std::printf("colour %d %d\n", k, pic->colr[k]);
  int32_t i = 0;
  for (const cgm_prim* p = pic->prims; p; p = p->next, i++) {
    std::printf("prim %d %d %d %d %d %d %d\n", i, p->drawflags, p->linewidth, p->fillcolr, p->linecolr, p->nvert,
                p->ntri);
    for (int32_t k = 0; k < p->nvert; k++) std::printf("v %d %d\n", p->vert[2 * k], p->vert[2 * k + 1]);
    for (int32_t k = 0; k < p->ntri; k++) {
      const int32_t* t = p->tri + 6 * k;
      std::printf("t %d %d %d %d %d %d\n", t[0], t[1], t[2], t[3], t[4], t[5]);
    }
  }
  cgm_free(pic);
  return 0;
}
