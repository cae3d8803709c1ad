// The content view of the Fax Settings panel, made from the interface file "MainPanel".
#pragma once

#include <BasicPdeView.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class DirectFaxPdeView : public BasicPdeView {
    Q_OBJECT

public:
    explicit DirectFaxPdeView(QWidget* parent = nullptr);
    ~DirectFaxPdeView() override;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
