#include "messages_en.h"

namespace payload {

namespace {

// Host of the public Java download site named at the end of message 1016.
constexpr const char* kJavaDownloadHost = "www.java.com";

}  // namespace

std::vector<Message> defaultMessages(const std::string& applicationName) {
    const std::vector<std::pair<int, std::string>> texts = {
        {1000, "Error"},
        {1005, "The JVM could not be started. The maximum heap size (-Xmx) might be too large or an antivirus or "
               "firewall tool could block the execution."},
        {1006, "File or directory {0} not found or empty\n"},
        {1008, "The environment variable {0} has to be defined"},
        {1009, "An internal error occurred (error code: {0})"},
        {1010, "Couldn't load main class."},
        {1011, "Main method not found."},
        {1015, "You must be at least Poweruser to run this program."},
        {1016, std::string("No JVM could be found on your system.\nPlease define VANTLE_JAVA_HOME\nto point to an "
                           "installed {0}-bit JDK or JRE or download a JRE from ") +
                   kJavaDownloadHost + "."},
        {1018, "The {0} environment variable does not\npoint to a working 64-bit JDK or JRE."},
        {1020, "The JVM found at {0} is damaged.\nPlease reinstall or define VANTLE_JAVA_HOME\nto point to an "
               "installed 64-bit JDK or JRE."},
        {20001, applicationName + " is downloading the Java(TM) Runtime Environment. Please wait."},
        {20002, "Cannot initialize wininet.dll. Please install\nInternet Explorer 3.0 or higher."},
        {20003, "Error downloading the Java(TM) Runtime Environment.\nPlease check your internet connection and "
                "start setup again."},
        {20004, "Please choose the file \"java.exe\" of the JRE"},
        {20005, "The quilder wizard could not find a Java(TM) Runtime Environment on your system. You can locate "
                "or download a suitable %S-bit JRE."},
        {20006, "The quilder wizard could not find a Java(TM) Runtime Environment on your system. Please locate "
                "a suitable %S-bit JRE."},
        {20007, applicationName +
                    " is preparing the quilder Wizard which will guide you through the rest of the setup process."},
        {20008, "%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s"},
        {20009, "Initializing connection ..."},
        {20010, "Download"},
        {20011, "Locate"},
        {20012, "Cancel"},
        {20013, "quilder Wizard"},
        {20014, "The Java(TM) VM could not be started. Please restart\nthe installation.You may use the parameter "
                "\"/manual\"\nto download or manually select a different VM."},
        {20016, "The installation file is corrupted. If it is a download please try it again."},
        {20018, "Not Enough Disk Space"},
        {20019, "minimum version:"},
        {20020, "maximum version:"},
    };
    std::vector<Message> messages;
    for (const auto& [id, text] : texts) messages.push_back({id, utf16FromUtf8(text)});
    return messages;
}

}  // namespace payload
