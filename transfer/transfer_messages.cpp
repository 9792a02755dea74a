#include "transfer/transfer_messages.h"

namespace vorn::transfer_text {

namespace {

std::string Named(const char* before, std::string_view name, const char* after)
{
    std::string text(before);
    text.append(name);
    text.append(after);
    return text;
}

// Extraction errors carry the exclamation icon, adding errors the stop icon.
Message ExtractError(const char* before, std::string_view name, const char* after)
{
    return {Named(before, name, after), "Error", MessageIcon::Warning, MessageButtons::Ok};
}

Message AddError(const char* before, std::string_view name, const char* after)
{
    return {Named(before, name, after), "Error", MessageIcon::Error, MessageButtons::Ok};
}

Message Question(const char* before, std::string_view name, const char* after)
{
    return {Named(before, name, after), "Warning", MessageIcon::Question, MessageButtons::YesNo};
}

} // namespace

Message CantCreateDirectory(std::string_view name)
{
    return ExtractError("Can't create directory \"", name, "\"!\n\nA file with that name already exists!");
}

Message AskOverwriteAll(std::string_view name)
{
    return Question("Do you want to overwrite all files in \"", name, "\"?");
}

Message CantCreateFile(std::string_view name)
{
    return ExtractError("Can't create file \"", name, "\"!\n\nA directory with that name already exists!");
}

Message AskOverwrite(std::string_view name)
{
    return Question("Do you want to overwrite \"", name, "\"?");
}

Message CantCreate(std::string_view name)
{
    return ExtractError("Can't create \"", name, "\"!");
}

Message CantExtract(std::string_view name)
{
    return ExtractError("Can't extract \"", name, "\"!");
}

Message CantExtractDirectory(std::string_view name)
{
    return ExtractError("Can't extract directory \"", name, "\"!");
}

Message CantOpenFile(std::string_view name)
{
    return AddError("Can't open file \"", name, "\"!");
}

Message AskOverwriteInArchive(std::string_view name)
{
    return Question("Do you want to overwrite \"", name, "\"?");
}

Message CantCreateFileInArchive(std::string_view name)
{
    return AddError("Can't create file \"", name, "\" in the FAR file!");
}

Message DirectoryExists(std::string_view name)
{
    return AddError("The directory \"", name, "\" already exists!");
}

Message CantCreateDirectoryInArchive(std::string_view name)
{
    return AddError("Can't create the directory \"", name, "\"!");
}

std::string ExtractingFile(std::string_view name)
{
    return Named("Extracting...", name, "");
}

std::string ExtractingInDirectory(std::string_view name)
{
    return Named("Extracting... ", name, "");
}

std::string Adding(std::string_view name)
{
    return Named("Adding \"", name, "\"...");
}

Message ExtractedCount(int32_t filesDone)
{
    std::string text = filesDone == 1 ? std::string("1 file has been successfully extracted!")
                                      : std::to_string(filesDone) + " files have been successfully extracted!";
    return {std::move(text), "Vorn", MessageIcon::Information, MessageButtons::Ok};
}

} // namespace vorn::transfer_text
