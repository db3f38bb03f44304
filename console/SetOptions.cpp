#include "SetOptions.h"
#include "MediaSet.h"
#include "StringConv.h"

bool ApplyMediaSetFile(TessaOptions* options, ConsoleOutput& out)
{
    if (options->setFile.empty())
        return true;
    MediaSet set;
    MediaSetError error;
    if (!ReadMediaSetFile(WideFromUtf8(options->setFile), &set, &error)) {
        out.Error(MediaSetErrorText(options->setFile, error));
        return false;
    }
    // The lists are the set's alone (--audio and --image don't go with it).
    options->audio = set.audio;
    options->images = set.images;
    if (!options->formatGiven)
        options->format = media::SpeechFormatName(set.speechFormat);
    if (!options->rateGiven)
        options->rate = set.sampleRate;
    if (!options->clockGiven)
        options->clock = set.systemClock;
    if (!options->backgroundGiven) {
        for (int i = 0; i < 3; ++i)
            options->background[i] = set.background[i];
    }
    // The set's addresses count as given: pack puts the images where the
    // builder's Write would, at the set's image start.
    if (!options->audioStartGiven)
        options->audioStart = set.audioStart;
    if (!options->imageStartGiven)
        options->imageStart = set.imageStart;
    options->audioStartGiven = options->imageStartGiven = true;
    const TessaCommandRow* command = FindTessaCommand(options->command);
    if (command && command->clockAboveZero && options->clock == 0) {
        out.Error("the system clock of " + options->setFile + " is 0 Hz; " + command->name
                  + " needs one above 0: give --clock HZ");
        return false;
    }
    return true;
}
