#pragma once
// The language texts the program uses, by name. A text's number is its line in the
// language files (data/XY.lng); a comment gives the US text where the name does not.
// The table lives in base because TMessage and TextAt (base/UserInterface.h) take it;
// the files are read by the language loader in catalog/.

namespace ravlin {

enum class Text : int {
    None = -1,  // no language text: a fixed text, or no refusal

    // Menu titles and menu commands, named after the main window's actions that show them.
    FileMenu = 0,
    EditMenu = 1,
    CommunicationMenu = 2,  // also the progress window's title
    SettingsMenu = 3,
    HelpMenu = 4,
    MenuNew = 5,
    MenuOpen = 6,
    MenuSaveAll = 7,
    MenuSaveAs = 8,
    MenuImportComments = 9,
    MenuPrint = 10,
    MenuClose = 11,
    MenuAdd = 12,
    MenuEdit = 13,
    MenuDelete = 14,
    MenuOpenBackup = 15,
    MenuCut = 16,
    MenuCopy = 17,
    MenuPaste = 18,
    MenuCommSetup = 19,  // "&Communication ..."
    MenuAppSetup = 20,   // "&Application ..."
    MenuPassChange = 21,
    MenuUpload = 22,
    MenuDownload = 23,
    MenuOnline = 24,
    MenuStopOnline = 25,
    MenuAbout = 26,
    MenuExit = 30,
    MenuLogin = 33,
    MenuLogout = 34,
    MenuOpenMonitor = 70,
    MenuSaveMonitorAs = 71,
    MenuExport = 72,
    MenuFind = 140,
    MenuFindNext = 141,
    MenuRecent = 299,

    // Column headers of the views and logs.
    PositionColumn = 27,
    SerialColumn = 28,  // "Serial No."
    ButtonColumn = 29,
    RelayFunctionColumn = 31,  // "Func. ", followed by the relay number
    RelayTimeColumn = 32,      // "Time ", followed by the relay number
    FunctionColumn = 150,
    Channels = 151,  // columns and the record editor's group
    TimeColumn = 152,
    BatteryTimeColumn = 168,  // "Time"
    BatteryColumn = 169,      // "Battery"
    HistoryTimeColumn = 216,  // "Time"

    // The user titles, five in a row: see TextInRun.
    UserIdTitle = 153,  // "User ID"
    User1Title = 154,
    User2Title = 155,
    User3Title = 156,
    User4Title = 157,

    // On-line panel.
    LastTxLabel = 35,  // "Last Tx"
    MemoryLabel = 36,  // "Memory"
    PanelAdd = 38,     // "Add"

    // Communication set-up.
    CommSetupCaption = 40,
    PortLabel = 41,
    SpeedLabel = 42,
    DumpRead = 43,
    ConnectOver = 147,
    IpAddressLabel = 148,
    IpPortLabel = 149,
    InUseBy = 300,      // "in use by", after a port another program holds
    DeviceLabel = 302,  // "Device"

    // Progress and waiting.
    Communicating = 44,  // "Communicating with the receiver ..."
    PreparingView = 48,  // "Preparing the view ..."
    Uploading = 75,      // "Uploading data to the receiver ..."
    Downloading = 76,    // "Downloading data from the receiver ..."

    // Record editor.
    ProjectorPage = 49,  // "Projector Control"
    EditCaption = 50,    // "Edit record"
    UserInformation = 51,
    PositionLabel = 52,
    TxCode = 53,
    TxType = 54,
    ButtonLabel = 55,
    Relay = 56,
    FunctionLabel = 58,
    TimeGroup = 59,  // "Time"
    Input = 160,
    Command = 280,
    Repeat = 281,
    DirectCode = 282,  // "Direct code transmit"
    BaudRate = 285,
    DataBits = 286,
    Parity = 287,
    HexInputHint = 289,  // "$xx for HEX input"
    ParityEven = 290,
    ParityOdd = 291,
    Delay = 292,
    Sequence = 293,

    // Login and password windows.
    LoginCaption = 60,  // "Login"
    RxTypeLabel = 61,   // "Rx type :"
    PasswordLabel = 62,
    ChangePasswordCaption = 65,
    OldPasswordLabel = 66,
    NewPasswordLabel = 67,
    NoPassword = 68,

    // Monitoring's transmitter window.
    AddTransmittersCaption = 73,
    SelectRecordAndOk = 74,  // "Select record and click OK."

    // Messages and questions.
    // "The open data file belongs to another receiver type. Close it and continue?"
    CloseOtherTypeFile = 77,
    RecordBreaksRules = 78,  // "The record does not meet the rules of this receiver type."
    UnknownFunction = 79,    // "The function is not known for this receiver type."
    CannotOpen = 80,         // "File cannot be opened or created"
    WrongLength = 81,        // "Wrong length of the memory data in the file"
    WrongFormat = 82,        // "Wrong file format"
    SaveChanges = 84,        // "Do you want to save the changes?"
    UnknownType = 85,        // "Unknown receiver type in the file"
    OtherType = 86,       // "The file belongs to another receiver type than the connected receiver"
    TooManyRecords = 87,  // "The file holds more records than the receiver memory"
    Saved = 88,
    TypeNotInCatalogue = 90,   // "The receiver type is not in the receiver catalogue."
    LoginChanged = 92,         // "The receiver name or password has changed since login. ..."
    NoFreePosition = 94,       // "There is no free memory position."
    OverwriteReceiver = 95,    // "Overwrite the receiver memory with the data shown?"
    ImportComments = 96,       // "Import the comments (user information) from another data file?"
    SaveBeforeOpen = 97,       // "Save the changes before opening another file?"
    CancelUpload = 98,         // "Do you really want to cancel the upload?"
    SelectReceiverType = 99,   // "Please select a receiver type from the list."
    NewPasswordTooLong = 100,  // "The password may have at most 16 characters." (writing it)
    BadIpAddress = 101,        // "The IP address must have four parts separated by dots."
    BadIpPort = 102,           // "The IP port must have at least two digits."
    CommunicationError = 110,
    ReadingIdentification = 112,  // "while reading the receiver identification"
    NoOnlineMode = 113,           // "This receiver type has no on-line mode."
    WritingMemory = 114,          // "while writing the receiver memory"
    ReadingMemory = 118,          // "while reading the receiver memory"
    CannotOpenPort = 120,         // "The serial port cannot be opened."
    NoConnection = 121,           // "There is no connection to the receiver."
    AddressOutOfRange = 122,      // "The memory address is out of range."
    UnknownReadType = 123,        // "Unknown memory read type."
    OnlineStopped = 125,          // "The receiver does not answer. On-line mode has been stopped."
    WaitingForNextTry = 126,  // "The receiver does not answer. Waiting for the next attempt ..."
    DuplicateEvent = 127,     // "This transmitter with these buttons is already in the list."
    PasswordTooLong = 133,    // "The password may have at most 16 characters." (typed at login)
    WrongPassword = 134,
    BadPortNumber = 135,   // "The port number is not valid."
    BadSpeed = 136,        // "The speed must be a number."
    BadTxCode = 138,       // "The transmitter code is not valid."
    TimeUnreadable = 139,  // "The time of this function cannot be read."
    NoFurtherMatch = 146,  // "No further match found."
    CommandTooLong = 295,  // "The command is too long for this slot."
    BadParity = 296,       // "The parity is not valid."
    BadDataBits = 297,     // "The number of data bits must be 7 or 8."
    BadBaudRate = 298,     // "The baud rate is not in the list."

    // Application set-up.
    SetupBasicPage = 103,    // "Basic"
    SetupStartupPage = 104,  // "Start-up"
    SetupOnlinePage = 105,   // "On-line mode"
    AppSetupCaption = 170,
    LanguageLabel = 171,
    BackupOnDownload = 172,
    ShowWelcome = 173,
    FindLastReceived = 174,  // "Find last received Tx in tables"
    FileViewSorting = 175,
    SortColumn = 176,  // "Column"
    SortUp = 177,
    SortDown = 178,
    UserFieldLabels = 179,
    Visible = 180,
    MonitorFont = 182,  // "Monitor Messages Font"
    SampleText = 183,
    PlaySoundThrough = 196,
    SoundsOff = 197,
    SoundCard = 198,
    PcSpeaker = 199,
    BatteryMonitoring = 206,
    LogRangeOff = 207,  // the five ranges of the battery and history logs
    LogRangeReceiverMemory = 208,
    LogRangeApplicationMemory = 209,
    LogRangeReceiverAndApplication = 210,
    LogRangeAllTransmitters = 211,
    HistoryRange = 218,
    BeepOnReceive = 219,     // "Beep on every receive"
    HistoryGroup = 220,      // "History"
    HistoryRecords = 221,    // "Records"
    HistoryLength = 223,     // "Length"
    ClearHistory = 224,      // "Clear"
    StartDownload = 270,     // "Download data from Rx"
    StartOnline = 271,       // "Enable on-line mode"
    StartMonitor = 272,      // "Enable monitor mode"
    StartOpenData = 273,     // "Open data file (*.rvl)"
    StartOpenMonitor = 274,  // "Open monitor file (*.mon)"
    ChooseFile = 275,        // "Find ..."

    // Find window.
    FindCaption = 142,  // "Find"
    FindLabel = 143,    // "Find :"
    FindColumn = 144,   // "Column"
    FindAll = 145,      // "All"

    // Pages of the main window.
    MemoryView = 158,
    FileView = 159,
    BatteryView = 200,
    HistoryView = 215,
    Monitoring = 231,

    // Welcome, New file, About.
    WelcomeCaption = 161,
    SelectFirstOperation = 162,
    NewFile = 163,
    OpenFile = 164,
    OpenLastFile = 165,   // "Open file :"
    DontShowAgain = 166,  // "Don't show next time"
    SelectRxType = 167,
    // What to try first (the welcome window, and the demo's terminal).
    HintOnline = 303,
    HintMonitor = 304,
    HintHistory = 305,
    AboutCaption = 190,  // "About Ravlin"
    CommunicationSoftware = 191,
    Version = 192,  // "Version: "
    SupportedReceivers = 193,
    CloseButton = 194,  // "Close"
    Licence = 301,

    // Battery and history logs.
    ClearSelected = 201,
    ClearChanged = 202,
    ClearAll = 203,
    BatteryLow = 204,      // "Low"
    BatteryChanged = 205,  // "Changed"
    ClearBattery = 212,    // "Clear"
    BatteryOk = 217,       // "OK"

    // Monitoring.
    MaxPictureSize = 225,  // "(max. size: 180x100)"
    Window = 226,
    Play = 227,
    Yes = 228,
    Monitor = 230,
    MessageCaption = 232,  // "Message", followed by its number
    MessageText = 233,     // "Text"
    MessageColour = 234,   // "Color"
    Blink = 235,
    Sound = 236,
    SoundFileLabel = 237,  // "Sound file"
    OpenButton = 238,      // "Open ..."
    Activated = 239,
    ActivateGroup = 240,    // "Activate"
    DeactivateGroup = 241,  // "Deactivate"
    AddButton = 242,
    EditButton = 243,
    RemoveButton = 244,
    AddBySerial = 245,  // "serial number ..."
    AddFromMemoryView = 246,
    AddFromFileView = 247,
    AddFromHistory = 248,
    EditMessageCaption = 250,
    EditEventCaption = 251,
    MonitorExit = 252,  // "Exit"
    SelectAll = 253,
    DeactivateButton = 254,  // "Deactivate"
    Picture = 255,
    PictureSize = 257,  // "Size"
    ActivateApplication = 258,
    ShowWindow = 259,
    ShortBeep = 260,
    LongBeep = 261,
    TripleBeep = 262,
    AlarmSound = 263,       // "Alarm"
    SoundFileChoice = 264,  // "Sound file"
    PermanentAlarm = 265,
};

// The number of a text: its line in the language files.
constexpr int TextNumber(Text id) {
    return static_cast<int>(id);
}

// The `index`-th text of a run of consecutive texts that begins with `first` (the five user
// titles); the one place where a text is computed rather than named.
constexpr Text TextInRun(Text first, int index) {
    return static_cast<Text>(TextNumber(first) + index);
}

}  // namespace ravlin
