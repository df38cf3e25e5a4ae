# Bash completion for kinotra: the options, the headless commands' operands (videos, projects, folders,
# output files), the model names of --fit, the graph pages of --export-graph, the writers' frameworks
# and codecs, and the capture sources.

# Adds the files of the word being completed whose extension (any case) is one of $2 ("avi|mp4"; every
# file when empty), and the folders, to COMPREPLY.
_kinotra_files()
{
    local cur=$1 extensions=$2 file extension
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    for file in $(compgen -f -- "$cur"); do
        extension=${file##*.}
        if [[ -d $file || -z $extensions ]] ||
            [[ $file == *.* && "|$extensions|" == *"|${extension,,}|"* ]]; then
            COMPREPLY+=("$file")
        fi
    done
}

_kinotra_folders()
{
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY+=($(compgen -d -- "$1"))
}

_kinotra()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local videos='avi|mpg|mpeg|wmv|mov|mp4'
    local command=${COMP_WORDS[1]}
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--info --export-frame --export-datasheet --demo-clip --calc --fit --track
                --export-formulas --export-graph --save-edited --codecs --capture --to-images --from-images
                --version --help -h' -- "$cur"))
        else
            _kinotra_files "$cur" "$videos|ktr"
        fi
        return 0
    fi

    # The value of an option.
    case $command:$prev in
    --export-graph:--page)
        COMPREPLY=($(compgen -W 'time trajectory vectors' -- "$cur"))
        return 0
        ;;
    --export-graph:--size)
        COMPREPLY=($(compgen -W '1200x800' -- "$cur"))
        return 0
        ;;
    --save-edited:--framework | --codecs:--framework)
        COMPREPLY=($(compgen -W '0 1 2' -- "$cur"))
        return 0
        ;;
    --capture:--framework)
        COMPREPLY=($(compgen -W '0 1' -- "$cur"))
        return 0
        ;;
    --save-edited:--codec)
        # The codecs of the writer named on the line, else of the settings file's writer 0.
        local framework=0 i name
        for ((i = 2; i < COMP_CWORD - 1; i++)); do
            [[ ${COMP_WORDS[i]} == --framework ]] && framework=${COMP_WORDS[i + 1]}
        done
        local IFS=$'\n'
        for name in $("${COMP_WORDS[0]}" --codecs --framework "$framework" 2>/dev/null); do
            [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
        done
        return 0
        ;;
    --track:--frame | --track:--rect | --track:--last | --track:--radius | --track:--ignore | \
        --capture:--seconds | --from-images:--fps)
        return 0
        ;;
    esac

    # The operands, counted without the options and their values.
    local options='' values=''
    case $command in
    --export-datasheet | --export-formulas) options='--layer' ;;
    --calc) options='--radians' ;;
    --track)
        options='--frame --rect --last --radius --ignore'
        values=$options
        ;;
    --export-graph)
        options='--page --layer --size'
        values='--page --size'
        ;;
    --save-edited)
        options='--framework --codec --blanks'
        values='--framework --codec'
        ;;
    --codecs)
        options='--framework'
        values=$options
        ;;
    --capture)
        options='--seconds --framework'
        values=$options
        ;;
    --from-images)
        options='--fps'
        values=$options
        ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return 0
    fi
    local operand=0 i word
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ " $values " == *" $word "* ]]; then
            ((i++))
        elif [[ $word != -* ]]; then
            ((operand++))
        fi
    done

    case $command:$operand in
    --info:0 | --export-frame:0 | --track:0 | --to-images:0)
        _kinotra_files "$cur" "$videos"
        ;;
    --export-frame:2)
        _kinotra_files "$cur" 'bmp|png'
        ;;
    --export-datasheet:0 | --export-formulas:0 | --export-graph:0 | --save-edited:0)
        _kinotra_files "$cur" ktr
        ;;
    --export-datasheet:1 | --export-formulas:1)
        _kinotra_files "$cur" 'txt|xlsx|ods'
        ;;
    --export-graph:1)
        _kinotra_files "$cur" 'svg|png|bmp|pdf'
        ;;
    --fit:0)
        COMPREPLY=($(compgen -W 'constant proportional affine parabola exponential sine sine-exp sine-lin' \
            -- "$cur"))
        ;;
    --capture:0)
        COMPREPLY=($(compgen -W "test $(compgen -G '/dev/video*' 2>/dev/null)" -- "$cur"))
        ;;
    --to-images:1 | --from-images:0)
        _kinotra_folders "$cur"
        ;;
    --demo-clip:0 | --fit:1 | --save-edited:1 | --capture:1 | --from-images:1)
        _kinotra_files "$cur" ''
        ;;
    esac
    return 0
}
complete -F _kinotra kinotra
