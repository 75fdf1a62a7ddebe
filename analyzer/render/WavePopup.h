#pragma once

#include "render/PageView.h"
#include "view/PageState.h"

namespace seiran {

class FrontEnd;

// Mouse-down on the wave image: the place the popup menu acts on.
void imgWave2MouseDown(PageView& view, int x, int y);

// Opening the popup menu: view.popup gets its captions and enabled and visible states; over an
// analog row (strictly between its top and bottom) the items act on that row (selectedAnalog)
// and read "V ZoomIn", "V ZoomOut", "V Center" with "V All" shown.
void PopupImgWave2Popup(const PageState& page, PageView& view);

// The items. Each changes the page as its caption says and asks the front end to redraw `pageIndex`;
// an item that is disabled in view.popup does nothing.
void pmnuZoomInClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex);
void pmnuZoomOutClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex);
void pmnuCenterClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex);
void pmnuVAllClick(PageState& page, PageView& view, FrontEnd& frontEnd, int pageIndex);

} // namespace seiran
