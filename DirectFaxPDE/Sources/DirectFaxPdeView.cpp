#include "DirectFaxPdeView.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

DirectFaxPdeView::DirectFaxPdeView(QWidget* parent) : BasicPdeView(parent) {}

DirectFaxPdeView::~DirectFaxPdeView() = default;

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
