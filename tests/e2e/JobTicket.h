// The ticket helpers of the end-to-end tests: the dialog host's own (pdehost/JobTicket.h), so
// that every test ticket is fitted to the server exactly as the host fits it before submission.
#pragma once

#include "pdehost/JobTicket.h"

namespace nx::e2e {

using OptionList = pdehost::JobOptionList;

using pdehost::ByteList;
using pdehost::DecodeByteList;
using pdehost::EscapeTicketText;
using pdehost::FitTicketToServer;
using pdehost::kServerOptionBudget;
using pdehost::kTicketPrefix;
using pdehost::ServerOptionLength;
using pdehost::TicketKey;

}  // namespace nx::e2e
