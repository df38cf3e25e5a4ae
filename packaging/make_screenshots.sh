#!/usr/bin/env bash
# Makes the pictures that the software-centre metadata shows (resources/screenshots): the main window
# with the demonstration clip pointed, and the trajectory of its ball. Run by hand after a change of the look; needs
# a built program, xvfb and ffmpeg (scripts/setup.sh --tests installs them).
# Usage: packaging/make_screenshots.sh [PROGRAM]   (default build/ci/kinotra)
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/ci/kinotra}")
out=$PWD/resources/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$out"

# The demonstration clip, its ball tracked on every frame, and a project pointing the ball there: the
# scale on the 1 m ruler (80 pixels from x = 40 on the ground line y = 440), the origin at the ruler's
# left end.
"$program" --demo-clip "$work/throw.avi"
"$program" --track "$work/throw.avi" --frame 0 --rect 110,390,20,20 >"$work/track.csv"
awk -F, -v video="$work/throw.avi" '
BEGIN {
    print "[Main]"; print "Version=351000"; print "VideoFileName=" video
    print "[Data]"; print "RequiredDuration=0.04"; print "FramesNumberBetweenTwoMarks=1"
    print "MarkColorsNumber=1"; print "MarkColor_0=255"; print "MarkVisibiltiesNumber=1"; print "MarkVisibility_0=1"
    print "DirectYAxisDirection_Grid=1"; print "DirectXAxisDirection_Grid=1"
    print "OrigineCurrentXCoordinate_Grid=" 40 / 640; print "OrigineCurrentYCoordinate_Grid=" 440 / 480
    print "OriginePointsNumber_Grid=1"; print "XAxisAngle_Grid=0"; print "YAxisAngle_Grid=1.5707963267948966"
    print "ScalePointsNumber=2"
    print "ScalePoint1XCoordinate=" 40 / 640; print "ScalePoint1YCoordinate=" 440 / 480
    print "ScalePoint2XCoordinate=" 120 / 640; print "ScalePoint2YCoordinate=" 440 / 480
    print "ScaleLength=1"; print "ScaleHorizPointsNumber=0"; print "ScaleVertPointsNumber=0"
    print "MarksIsAllDrawn_Grid=1"; print "MarksNumberToDraw_Grid=1"; print "MarksNumberPerFrame_Grid=1"
    print "SystemNamesNumber_Grid=1"; print "SystemName_Grid_0=ball"
}
NR > 1 {
    n = NR - 2
    rows[n] = "MarksContainerFrameNumber_Grid_" n "=" $1 "\nMarksContainerMarkNumber_Grid_" n "=" n \
        "\nMarksContainerMarksNumber_Grid_" n "=1\nMarkOrderNumber_Grid_" n "_0=0\nMarkXCoordinate_Grid_" n "_0=" \
        $2 / 640 "\nMarkYCoordinate_Grid_" n "_0=" $3 / 480
}
END {
    print "MarksContainersNumber_Grid=" NR - 1
    for (n = 0; n < NR - 1; n++) print rows[n]
    print "[Video]"; print "ImageNumber=30"; print "MarkingMode=0"
}' "$work/track.csv" >"$work/throw.ktr"

"$program" --export-graph "$work/throw.ktr" "$out/trajectory.png" --page trajectory --size 1200x800

# The main window on a virtual screen, grabbed once it has opened the project.
size=1280x800
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
    "$1" "$2" &
    pid=$!
    sleep 6
    ffmpeg -loglevel error -y -f x11grab -video_size "$3" -i "$DISPLAY" -frames:v 1 "$4"
    kill "$pid"
' grab "$program" "$work/throw.ktr" "$size" "$out/main-window.png"
ls -l "$out"
