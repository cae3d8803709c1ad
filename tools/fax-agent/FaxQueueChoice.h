// The fax queue the agent opens the dialog on: the one the user chose once (kept in
// $XDG_CONFIG_HOME/velmora/directfax-fax-agent.conf), else the first queue of the maker's fax
// printers on the CUPS server, else the maker's queue name.
#pragma once

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::agent {

inline constexpr const char* kDefaultFaxQueue = "DirectFax";

QString chosenFaxQueue();
bool saveFaxQueue(const QString& queue);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::agent
