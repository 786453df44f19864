// The settings ticket's key catalogue: every key the panels write and the filter reads, spelled
// once. A key is the prefix followed by the setting name; keys ending in "Ticket" or "TicketKey"
// carry values to the filter, keys ending in "Reference" hold what a panel keeps between
// dialogs inside the print settings.
//
// The constants are named after their setting names, so that a key in a ticket dump and its
// constant read the same. The print system's own keys ("number-up", the layout keys) are not
// ticket keys and are not here.
#pragma once

#include <string>
#include <string_view>

#define NX_TICKET_KEY(name) "com.norvalex.nb.qtz.printsettings." name

namespace nx::ticket {

inline constexpr char kTicketKeyPrefix[] = NX_TICKET_KEY("");

// kTicketKeyPrefix + `name`, for keys formed at run time (numbered recipient items, key
// families).
inline std::string TicketKey(std::string_view name) {
  std::string key(kTicketKeyPrefix);
  key += name;
  return key;
}

namespace key {

// ---- Print type panel ----
inline constexpr char PrintTypeTicketKey[] = NX_TICKET_KEY("PrintTypeTicketKey");
inline constexpr char PrintTypeReference[] = NX_TICKET_KEY("PrintTypeReference");
inline constexpr char PrintTypeUserNameTicketKey[] = NX_TICKET_KEY("PrintTypeUserNameTicketKey");
inline constexpr char PrintTypeUserNameReference[] = NX_TICKET_KEY("PrintTypeUserNameReference");
inline constexpr char PrintTypePasswordTicketKey[] = NX_TICKET_KEY("PrintTypePasswordTicketKey");
inline constexpr char PrintTypePasswordReference[] = NX_TICKET_KEY("PrintTypePasswordReference");
inline constexpr char DocumentNameTypeTicketKey[] = NX_TICKET_KEY("DocumentNameTypeTicketKey");
inline constexpr char DocumentNameTypeReference[] = NX_TICKET_KEY("DocumentNameTypeReference");
inline constexpr char DocumentNameTicketKey[] = NX_TICKET_KEY("DocumentNameTicketKey");
inline constexpr char DocumentNameReference[] = NX_TICKET_KEY("DocumentNameReference");
inline constexpr char DelayPrintTicketKey[] = NX_TICKET_KEY("DelayPrintTicketKey");
inline constexpr char DelayPrintReference[] = NX_TICKET_KEY("DelayPrintReference");
inline constexpr char PrintTypeMBNTicketKey[] = NX_TICKET_KEY("PrintTypeMBNTicketKey");
inline constexpr char PrintTypeMBNPasswordTicketKey[] =
    NX_TICKET_KEY("PrintTypeMBNPasswordTicketKey");
inline constexpr char PrintTypeMBNPasswordReference[] =
    NX_TICKET_KEY("PrintTypeMBNPasswordReference");
inline constexpr char PrintTypeProductTypeTicketKey[] =
    NX_TICKET_KEY("PrintTypeProductTypeTicketKey");

// ---- Job accounting panel ----
inline constexpr char JBAManageTypeListTicketKey[] = NX_TICKET_KEY("JBAManageTypeListTicketKey");
inline constexpr char JBAManageTypeListReference[] = NX_TICKET_KEY("JBAManageTypeListReference");
inline constexpr char JBAInfoSetListTicketKey[] = NX_TICKET_KEY("JBAInfoSetListTicketKey");
// Client identity, written with every job.
inline constexpr char JBAMacHostNameStringTicket[] = NX_TICKET_KEY("JBAMacHostNameStringTicket");
inline constexpr char JBAHostNameStringTicket[] = NX_TICKET_KEY("JBAHostNameStringTicket");
inline constexpr char JBAIPAddressStringTicket[] = NX_TICKET_KEY("JBAIPAddressStringTicket");

// ---- Accounting details, user mode ----
inline constexpr char JBAUserSettingRadioBtnTicket[] =
    NX_TICKET_KEY("JBAUserSettingRadioBtnTicket");
inline constexpr char JBAUserSettingRadioBtnReference[] =
    NX_TICKET_KEY("JBAUserSettingRadioBtnReference");
inline constexpr char JBAUserIDListCtrlTicket[] = NX_TICKET_KEY("JBAUserIDListCtrlTicket");
inline constexpr char JBAUserIDListCtrlReference[] = NX_TICKET_KEY("JBAUserIDListCtrlReference");
inline constexpr char JBADomainNameTextEditTicket[] = NX_TICKET_KEY("JBADomainNameTextEditTicket");
inline constexpr char JBADomainNameTextEditReference[] =
    NX_TICKET_KEY("JBADomainNameTextEditReference");
inline constexpr char JBAUserIDTextEditTicket[] = NX_TICKET_KEY("JBAUserIDTextEditTicket");
inline constexpr char JBAUserIDTextEditReference[] = NX_TICKET_KEY("JBAUserIDTextEditReference");
inline constexpr char JBALoginTextEditTicket[] = NX_TICKET_KEY("JBALoginTextEditTicket");
inline constexpr char JBAUserPasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAUserPasswordTextEditTicket");
inline constexpr char JBAUserPasswordTextEditReference[] =
    NX_TICKET_KEY("JBAUserPasswordTextEditReference");
inline constexpr char JBAUserInputRadioBtnTicket[] = NX_TICKET_KEY("JBAUserInputRadioBtnTicket");
inline constexpr char JBAUserInputRadioBtnReference[] =
    NX_TICKET_KEY("JBAUserInputRadioBtnReference");
inline constexpr char JBAAccountIDTextEditTicket[] = NX_TICKET_KEY("JBAAccountIDTextEditTicket");
inline constexpr char JBAAccountIDTextEditReference[] =
    NX_TICKET_KEY("JBAAccountIDTextEditReference");
inline constexpr char JBALastInfoCheckboxTicket[] = NX_TICKET_KEY("JBALastInfoCheckboxTicket");
inline constexpr char JBALastInfoCheckboxReference[] =
    NX_TICKET_KEY("JBALastInfoCheckboxReference");
inline constexpr char JBAUserIDFormatCheckboxTicket[] =
    NX_TICKET_KEY("JBAUserIDFormatCheckboxTicket");
inline constexpr char JBAUserIDFormatCheckboxReference[] =
    NX_TICKET_KEY("JBAUserIDFormatCheckboxReference");
inline constexpr char JBAAccountIDFormatCheckboxTicket[] =
    NX_TICKET_KEY("JBAAccountIDFormatCheckboxTicket");
inline constexpr char JBAAccountIDFormatCheckboxReference[] =
    NX_TICKET_KEY("JBAAccountIDFormatCheckboxReference");
inline constexpr char JBAStorageIDTextEditTicket[] = NX_TICKET_KEY("JBAStorageIDTextEditTicket");
inline constexpr char JBAStoragePasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAStoragePasswordTextEditTicket");
inline constexpr char JBAStoragePasswordTextEditReference[] =
    NX_TICKET_KEY("JBAStoragePasswordTextEditReference");

// ---- Accounting details, administrator mode ----
inline constexpr char JBAAdminUserSettingRadioBtnTicket[] =
    NX_TICKET_KEY("JBAAdminUserSettingRadioBtnTicket");
inline constexpr char JBAAdminUserSettingRadioBtnReference[] =
    NX_TICKET_KEY("JBAAdminUserSettingRadioBtnReference");
inline constexpr char JBAAdminUserIDListCtrlTicket[] =
    NX_TICKET_KEY("JBAAdminUserIDListCtrlTicket");
inline constexpr char JBAAdminUserIDListCtrlReference[] =
    NX_TICKET_KEY("JBAAdminUserIDListCtrlReference");
inline constexpr char JBAAdminDomainNameTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminDomainNameTextEditTicket");
inline constexpr char JBAAdminDomainNameTextEditReference[] =
    NX_TICKET_KEY("JBAAdminDomainNameTextEditReference");
inline constexpr char JBAAdminUserIDTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminUserIDTextEditTicket");
inline constexpr char JBAAdminUserIDTextEditReference[] =
    NX_TICKET_KEY("JBAAdminUserIDTextEditReference");
inline constexpr char JBAAdminLoginTextEditTicket[] = NX_TICKET_KEY("JBAAdminLoginTextEditTicket");
inline constexpr char JBAAdminUserPasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminUserPasswordTextEditTicket");
inline constexpr char JBAAdminUserPasswordTextEditReference[] =
    NX_TICKET_KEY("JBAAdminUserPasswordTextEditReference");
inline constexpr char JBAAdminUserInputRadioBtnTicket[] =
    NX_TICKET_KEY("JBAAdminUserInputRadioBtnTicket");
inline constexpr char JBAAdminUserInputRadioBtnReference[] =
    NX_TICKET_KEY("JBAAdminUserInputRadioBtnReference");
inline constexpr char JBAAdminAccountIDTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminAccountIDTextEditTicket");
inline constexpr char JBAAdminAccountIDTextEditReference[] =
    NX_TICKET_KEY("JBAAdminAccountIDTextEditReference");
inline constexpr char JBAAdminLastInfoCheckboxTicket[] =
    NX_TICKET_KEY("JBAAdminLastInfoCheckboxTicket");
inline constexpr char JBAAdminLastInfoCheckboxReference[] =
    NX_TICKET_KEY("JBAAdminLastInfoCheckboxReference");
inline constexpr char JBAAdminUserIDFormatCheckboxTicket[] =
    NX_TICKET_KEY("JBAAdminUserIDFormatCheckboxTicket");
inline constexpr char JBAAdminUserIDFormatCheckboxReference[] =
    NX_TICKET_KEY("JBAAdminUserIDFormatCheckboxReference");
inline constexpr char JBAAdminAccountIDFormatCheckboxTicket[] =
    NX_TICKET_KEY("JBAAdminAccountIDFormatCheckboxTicket");
inline constexpr char JBAAdminAccountIDFormatCheckboxReference[] =
    NX_TICKET_KEY("JBAAdminAccountIDFormatCheckboxReference");
inline constexpr char JBAAdminStorageIDTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminStorageIDTextEditTicket");
inline constexpr char JBAAdminStoragePasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAAdminStoragePasswordTextEditTicket");
inline constexpr char JBAAdminStoragePasswordTextEditReference[] =
    NX_TICKET_KEY("JBAAdminStoragePasswordTextEditReference");

// ---- Accounting details entered for one job ----
inline constexpr char JBAInputAuthRadioBtnTicketKey[] =
    NX_TICKET_KEY("JBAInputAuthRadioBtnTicketKey");
inline constexpr char JBAInputAuthRadioBtnReference[] =
    NX_TICKET_KEY("JBAInputAuthRadioBtnReference");
inline constexpr char JBAInputStrgRadioBtnTicketKey[] =
    NX_TICKET_KEY("JBAInputStrgRadioBtnTicketKey");
inline constexpr char JBAInputDomainNameTextEditTicket[] =
    NX_TICKET_KEY("JBAInputDomainNameTextEditTicket");
inline constexpr char JBAInputDomainNameTextEditReference[] =
    NX_TICKET_KEY("JBAInputDomainNameTextEditReference");
inline constexpr char JBAInputUserIDTextEditTicket[] =
    NX_TICKET_KEY("JBAInputUserIDTextEditTicket");
inline constexpr char JBAInputUserIDTextEditReference[] =
    NX_TICKET_KEY("JBAInputUserIDTextEditReference");
inline constexpr char JBAInputUserPasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAInputUserPasswordTextEditTicket");
inline constexpr char JBAInputUserPasswordTextEditReference[] =
    NX_TICKET_KEY("JBAInputUserPasswordTextEditReference");
inline constexpr char JBAInputAccountIDTextEditTicket[] =
    NX_TICKET_KEY("JBAInputAccountIDTextEditTicket");
inline constexpr char JBAInputAccountIDTextEditReference[] =
    NX_TICKET_KEY("JBAInputAccountIDTextEditReference");
inline constexpr char JBAInputStorageIDTextEditTicket[] =
    NX_TICKET_KEY("JBAInputStorageIDTextEditTicket");
inline constexpr char JBAInputStoragePasswordTextEditTicket[] =
    NX_TICKET_KEY("JBAInputStoragePasswordTextEditTicket");
inline constexpr char JBAInputStoragePasswordTextEditReference[] =
    NX_TICKET_KEY("JBAInputStoragePasswordTextEditReference");

// ---- Finishing features (no panel of this system writes them) ----
inline constexpr char TabMarginSwitchTicket[] = NX_TICKET_KEY("TabMarginSwitchTicket");
inline constexpr char TrimmerSwitchTicket[] = NX_TICKET_KEY("TrimmerSwitchTicket");
inline constexpr char TabMarginMMShiftTicket[] = NX_TICKET_KEY("TabMarginMMShiftTicket");
inline constexpr char TrimmerMMCuttingSizeTicket[] = NX_TICKET_KEY("TrimmerMMCuttingSizeTicket");
inline constexpr char NumInSequenceSwitchTicket[] = NX_TICKET_KEY("NumInSequenceSwitchTicket");
inline constexpr char NumInSequenceLArrowTicket[] = NX_TICKET_KEY("NumInSequenceLArrowTicket");
inline constexpr char OffsetStackingListTicket[] = NX_TICKET_KEY("OffsetStackingListTicket");
inline constexpr char OffsetStackingPagesLArrowTicket[] =
    NX_TICKET_KEY("OffsetStackingPagesLArrowTicket");
inline constexpr char OffsetStackingUnitsLArrowTicket[] =
    NX_TICKET_KEY("OffsetStackingUnitsLArrowTicket");
inline constexpr char EjectOptionsListTicket[] = NX_TICKET_KEY("EjectOptionsListTicket");
inline constexpr char TPIFCommandFileNameTicket[] = NX_TICKET_KEY("TPIFCommandFileNameTicket");

// ---- Device option panel ----
inline constexpr char DeviceOptionFaxModuleTypePopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionFaxModuleTypePopupListTicket");
inline constexpr char DeviceOptionFaxModuleTypePopupListReference[] =
    NX_TICKET_KEY("DeviceOptionFaxModuleTypePopupListReference");
inline constexpr char DeviceOptionPhonebookExpansionKitPopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionPhonebookExpansionKitPopupListTicket");
inline constexpr char DeviceOptionPhonebookExpansionKitPopupListReference[] =
    NX_TICKET_KEY("DeviceOptionPhonebookExpansionKitPopupListReference");
inline constexpr char DeviceOptionSpeedDialPopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionSpeedDialPopupListTicket");
inline constexpr char DeviceOptionSpeedDialPopupListReference[] =
    NX_TICKET_KEY("DeviceOptionSpeedDialPopupListReference");
inline constexpr char DeviceOptionOutsideExtensionKitPopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionOutsideExtensionKitPopupListTicket");
inline constexpr char DeviceOptionOutsideExtensionKitPopupListReference[] =
    NX_TICKET_KEY("DeviceOptionOutsideExtensionKitPopupListReference");
inline constexpr char DeviceOptionISDNG4TypePopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionISDNG4TypePopupListTicket");
inline constexpr char DeviceOptionISDNG4TypePopupListReference[] =
    NX_TICKET_KEY("DeviceOptionISDNG4TypePopupListReference");
inline constexpr char DeviceOptionOutlineNumberEtxtTicket[] =
    NX_TICKET_KEY("DeviceOptionOutlineNumberEtxtTicket");
inline constexpr char DeviceOptionOutlineNumberEtxtReference[] =
    NX_TICKET_KEY("DeviceOptionOutlineNumberEtxtReference");
inline constexpr char DeviceOptionInlineNumberEtxtTicket[] =
    NX_TICKET_KEY("DeviceOptionInlineNumberEtxtTicket");
inline constexpr char DeviceOptionInlineNumberEtxtReference[] =
    NX_TICKET_KEY("DeviceOptionInlineNumberEtxtReference");
inline constexpr char DeviceOptionPortSettingOutsideLinePopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionPortSettingOutsideLinePopupListTicket");
inline constexpr char DeviceOptionPortSettingOutsideLinePopupListReference[] =
    NX_TICKET_KEY("DeviceOptionPortSettingOutsideLinePopupListReference");
inline constexpr char DeviceOptionPortSettingExtensionPopupListTicket[] =
    NX_TICKET_KEY("DeviceOptionPortSettingExtensionPopupListTicket");
inline constexpr char DeviceOptionPortSettingExtensionPopupListReference[] =
    NX_TICKET_KEY("DeviceOptionPortSettingExtensionPopupListReference");

// ---- Fax setting panel and job confirmation ----
inline constexpr char DFFaxResolutionPopupListTicket[] =
    NX_TICKET_KEY("DFFaxResolutionPopupListTicket");
inline constexpr char DFFaxResolutionPopupListReference[] =
    NX_TICKET_KEY("DFFaxResolutionPopupListReference");
inline constexpr char DFTransmissionReportPopupListTicket[] =
    NX_TICKET_KEY("DFTransmissionReportPopupListTicket");
inline constexpr char DFTransmissionReportPopupListReference[] =
    NX_TICKET_KEY("DFTransmissionReportPopupListReference");
inline constexpr char DFaxSendHeaderTicket[] = NX_TICKET_KEY("DFaxSendHeaderTicket");
inline constexpr char DFaxSendHeaderCboxReference[] = NX_TICKET_KEY("DFaxSendHeaderCboxReference");
inline constexpr char DFDelaySendKeyTicket[] = NX_TICKET_KEY("DFDelaySendKeyTicket");
inline constexpr char DFDelaySendDummyKeyTicket[] = NX_TICKET_KEY("DFDelaySendDummyKeyTicket");

// ---- Recipient list ----
inline constexpr char DFRecipientListCountTicket[] = NX_TICKET_KEY("DFRecipientListCountTicket");
inline constexpr char DFRecipientPaperSizeTicket[] = NX_TICKET_KEY("DFRecipientPaperSizeTicket");
// Followed by the item index in decimal, without padding (…Ticket0, …Ticket1).
inline constexpr char DFRecipientListItemKeyTicket[] =
    NX_TICKET_KEY("DFRecipientListItemKeyTicket");

}  // namespace key
}  // namespace nx::ticket

#undef NX_TICKET_KEY
